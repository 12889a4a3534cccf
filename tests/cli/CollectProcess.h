// The command under test as a child process: started with its arguments, its environment
// additions and a working folder, its standard output on a pipe or on a pseudo-terminal, its
// standard error on a pipe. Output is gathered by a thread; the test waits for text, sends
// signals and waits for the exit code (128 + the signal when a signal ended it).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vlmr::test {

class TCollectProcess {
 public:
  struct TSetup {
    std::vector<std::string> args;  // after the program name
    std::vector<std::pair<std::string, std::string>> env;
    std::string folder;     // working folder
    bool terminal = false;  // standard output on a pseudo-terminal
  };

  TCollectProcess(const std::string& exe, const TSetup& setup) {
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (setup.terminal) {
      winsize size{};
      size.ws_col = 120;
      size.ws_row = 40;
      if (openpty(&out[0], &out[1], nullptr, nullptr, &size) != 0)
        return;
    } else if (pipe(out) != 0) {
      return;
    }
    if (pipe(err) != 0)
      return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      dup2(err[1], 2);
      close(out[0]);
      close(err[0]);
      if (!setup.folder.empty() && chdir(setup.folder.c_str()) != 0)
        _exit(120);
      for (const auto& [name, value] : setup.env)
        setenv(name.c_str(), value.c_str(), 1);
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(exe.c_str()));
      for (const std::string& a : setup.args)
        argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(exe.c_str(), argv.data());
      _exit(121);
    }
    close(out[1]);
    close(err[1]);
    reader_ = std::thread([this, o = out[0], e = err[0]] { Read(o, e); });
  }
  ~TCollectProcess() {
    if (pid_ > 0 && code_ < 0) {
      kill(pid_, SIGKILL);
      Wait(10000);
    }
    if (reader_.joinable())
      reader_.join();
  }
  TCollectProcess(const TCollectProcess&) = delete;
  TCollectProcess& operator=(const TCollectProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  void Signal(int signal) { kill(pid_, signal); }

  std::string Out() const {
    std::lock_guard lock(mutex_);
    return out_;
  }
  std::string Err() const {
    std::lock_guard lock(mutex_);
    return err_;
  }
  // The lines of standard output so far.
  std::vector<std::string> OutLines() const {
    std::vector<std::string> lines;
    std::string text = Out();
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(text.substr(start, end - start));
    return lines;
  }
  // Waits until `done` holds for standard output; false after `timeoutMs`.
  bool WaitForOut(const std::function<bool(const std::string&)>& done, int timeoutMs) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
      if (done(Out()))
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done(Out());
  }
  // The exit code; -1 when the process had not ended after `timeoutMs`.
  int Wait(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (code_ < 0) {
      int status = 0;
      const pid_t ended = waitpid(pid_, &status, WNOHANG);
      if (ended == pid_) {
        code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        break;
      }
      if (std::chrono::steady_clock::now() >= deadline)
        return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (reader_.joinable())
      reader_.join();
    return code_;
  }

 private:
  void Read(int out, int err) {
    pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
    int open = 2;
    while (open > 0) {
      if (poll(fds, 2, -1) < 0)
        continue;
      for (pollfd& p : fds) {
        if (p.fd < 0 || p.revents == 0)
          continue;
        char chunk[4096];
        const ssize_t n = read(p.fd, chunk, sizeof chunk);
        if (n <= 0) {
          close(p.fd);
          p.fd = -1;
          --open;
          continue;
        }
        std::lock_guard lock(mutex_);
        (p.fd == out ? out_ : err_).append(chunk, static_cast<std::size_t>(n));
      }
    }
  }

  pid_t pid_ = -1;
  int code_ = -1;
  std::thread reader_;
  mutable std::mutex mutex_;
  std::string out_;
  std::string err_;
};

}  // namespace vlmr::test
