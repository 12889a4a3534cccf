// A child process that works until it is killed with SIGKILL, reporting through a pipe each
// piece of work that has returned: the crash-safety tests kill it at chosen moments and then
// check that everything it reported survived. The child is a fork of the test process; it runs
// `work` (which writes its reports with Report) and ends with _exit, never returning to the
// test framework.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

namespace vlmr::test {

class TKilledChild {
 public:
  // Starts the child; it reports with Report(fd, line) and ends with `work`'s result.
  explicit TKilledChild(const std::function<int(int reportFd)>& work) {
    int fds[2];
    if (pipe(fds) != 0) {
      return;
    }
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      int status = 99;
      try {
        status = work(fds[1]);
      } catch (...) {
      }
      _exit(status);
    }
    close(fds[1]);
    if (pid_ < 0) {
      close(fds[0]);
      return;
    }
    fd_ = fds[0];
  }
  ~TKilledChild() {
    if (pid_ > 0) {
      Kill();
    }
    if (fd_ >= 0) {
      close(fd_);
    }
  }
  TKilledChild(const TKilledChild&) = delete;
  TKilledChild& operator=(const TKilledChild&) = delete;

  bool Started() const { return fd_ >= 0; }

  // One report line, without its line end; false at the end of the pipe (the child ended).
  bool NextLine(std::string& line) {
    for (;;) {
      std::size_t end = buffer_.find('\n');
      if (end != std::string::npos) {
        line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        return true;
      }
      char chunk[4096];
      ssize_t n = read(fd_, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) {
        continue;
      }
      if (n <= 0) {
        return false;
      }
      buffer_.append(chunk, static_cast<std::size_t>(n));
    }
  }

  // Kills the child and waits for it; true when SIGKILL ended it (not an exit of its own).
  bool Kill() {
    if (pid_ <= 0) {
      return false;
    }
    kill(pid_, SIGKILL);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  }
  // The child's own exit status when it ended before the kill, else -1.
  int ExitStatus() const { return exitStatus_; }

  // Every report line still in the pipe (all were written before the child died).
  std::vector<std::string> Rest() {
    std::vector<std::string> lines;
    std::string line;
    while (NextLine(line)) {
      lines.push_back(line);
    }
    return lines;
  }

  // Writes one report line from the child; a line is one write, so it arrives whole or not.
  static void Report(int fd, const std::string& line) {
    std::string text = line + "\n";
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
      ssize_t n = write(fd, p, left);
      if (n < 0 && errno == EINTR) {
        continue;
      }
      if (n <= 0) {
        _exit(98);
      }
      p += n;
      left -= static_cast<std::size_t>(n);
    }
  }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
  int exitStatus_ = -1;
  std::string buffer_;
};

}  // namespace vlmr::test
