#include "platform/Shell.h"
#include "base/Guarded.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

extern char** environ;

namespace vlmr {
namespace {

TGuarded<std::string>& OpenerOverride() {
  static TGuarded<std::string> program;
  return program;
}

std::string OpenerProgram() {
  std::string program = OpenerOverride().Get();
  return program.empty() ? std::string("xdg-open") : program;
}

// Collects the child's exit status when it ends, so that no zombie is left; the child itself
// is never waited for by the caller.
void ReapLater(pid_t pid) {
  try {
    std::thread([pid] {
      while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (...) {
    // No thread: the child stays a zombie until this process ends, which harms nothing else.
  }
}

class TSpawnSetup {
 public:
  TSpawnSetup() {
    ok_ = posix_spawnattr_init(&attr_) == 0;
    actionsOk_ = posix_spawn_file_actions_init(&actions_) == 0;
    ok_ = ok_ && actionsOk_;
    if (!ok_)
      return;
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    // A session of its own, so that the program outlives this one and its terminal; signals
    // as a freshly started program expects them, whatever this process ignores or blocks.
    ok_ = posix_spawnattr_setflags(
              &attr_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0 &&
          posix_spawnattr_setsigmask(&attr_, &none) == 0 &&
          posix_spawnattr_setsigdefault(&attr_, &all) == 0 &&
          posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0;
  }
  ~TSpawnSetup() {
    posix_spawnattr_destroy(&attr_);
    if (actionsOk_)
      posix_spawn_file_actions_destroy(&actions_);
  }
  TSpawnSetup(const TSpawnSetup&) = delete;
  TSpawnSetup& operator=(const TSpawnSetup&) = delete;

  bool ok() const { return ok_; }
  const posix_spawnattr_t* attr() const { return &attr_; }
  const posix_spawn_file_actions_t* actions() const { return &actions_; }

 private:
  posix_spawnattr_t attr_{};
  posix_spawn_file_actions_t actions_{};
  bool ok_ = false;
  bool actionsOk_ = false;
};

}  // namespace

bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) {
  if (program.empty()) {
    return false;
  }
  TSpawnSetup setup;
  if (!setup.ok()) {
    return false;
  }
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : arguments) {
    argv.push_back(const_cast<char*>(a.c_str()));
  }
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, program.c_str(), setup.actions(), setup.attr(), argv.data(), environ) !=
      0) {
    return false;
  }
  ReapLater(pid);
  return true;
}

std::optional<std::string> ProgramOutput(const std::string& program,
                                         const std::vector<std::string>& arguments, int timeoutMs,
                                         std::size_t maxBytes) {
  if (program.empty())
    return std::nullopt;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0)
    return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : arguments)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (spawned != 0) {
    close(fds[0]);
    return std::nullopt;
  }
  std::string output;
  bool ended = false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now())
                    .count();
    if (left <= 0)
      break;
    pollfd p{fds[0], POLLIN, 0};
    int ready = poll(&p, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR)
      continue;
    if (ready <= 0)
      break;
    char chunk[512];
    ssize_t n = read(fds[0], chunk, sizeof chunk);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      ended = true;
      break;
    }
    if (output.size() < maxBytes)
      output.append(chunk, std::min(static_cast<std::size_t>(n), maxBytes - output.size()));
  }
  close(fds[0]);
  int status = 0;
  if (!ended) {
    kill(pid, SIGKILL);
  } else {
    // The output is closed; the process ends right after, within the same bound.
    while (std::chrono::steady_clock::now() < deadline) {
      pid_t r = waitpid(pid, &status, WNOHANG);
      if (r == pid)
        return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? std::optional(output) : std::nullopt;
      if (r < 0 && errno != EINTR)
        return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    kill(pid, SIGKILL);
  }
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return std::nullopt;
}

bool ShellOpen(const std::string& target) {
  if (target.empty()) {
    return false;
  }
  // A target that starts like an option is a relative file name, not an option.
  std::string argument = target.front() == '-' ? "./" + target : target;
  return StartProgram(OpenerProgram(), {argument});
}

void SetShellOpenProgramForTesting(const std::string& program) {
  OpenerOverride().Set(program);
}

}  // namespace vlmr
