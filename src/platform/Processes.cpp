#include "platform/Processes.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <string_view>

#include "base/Text.h"

namespace vlmr {
namespace {

std::string ProcPath(int pid, const char* entry) {
  return "/proc/" + std::to_string(pid) + "/" + entry;
}

// A /proc entry name that is a process id.
int PidOf(const char* name) {
  long long pid = 0;
  if (*name == '\0')
    return 0;
  for (const char* p = name; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9')
      return 0;
    pid = pid * 10 + (*p - '0');
    if (pid > INT_MAX)
      return 0;
  }
  return static_cast<int>(pid);
}

// File name of the process's executable; the kernel's short command name when the image
// cannot be read (another user's process, a kernel thread). Empty once the process is gone.
std::string ImageName(int pid) {
  char buffer[PATH_MAX + 1];
  ssize_t n = readlink(ProcPath(pid, "exe").c_str(), buffer, PATH_MAX);
  if (n > 0) {
    std::string path(buffer, static_cast<std::size_t>(n));
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.size() > kDeleted.size() &&
        path.compare(path.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0) {
      path.resize(path.size() - kDeleted.size());
    }
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
  }
  std::ifstream comm(ProcPath(pid, "comm"));
  std::string name;
  std::getline(comm, name);
  return name;
}

// The file at `path` as a process image: its device and inode, and the path the kernel shows
// for an image started from it.
struct TImageFile {
  struct stat file {};
  std::string path;
};

bool ReadImageFile(const std::string& path, TImageFile& image) {
  if (path.empty() || stat(path.c_str(), &image.file) != 0)
    return false;
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) == nullptr)
    return false;
  image.path = resolved;
  return true;
}

// True when the process runs the very file: the same device and inode, started through the
// same path. A hard link elsewhere shares the inode but is another program's copy.
bool SameImage(int pid, const TImageFile& image) {
  struct stat running {};
  if (stat(ProcPath(pid, "exe").c_str(), &running) != 0 || running.st_dev != image.file.st_dev ||
      running.st_ino != image.file.st_ino)
    return false;
  char buffer[PATH_MAX + 1];
  ssize_t n = readlink(ProcPath(pid, "exe").c_str(), buffer, PATH_MAX);
  return n > 0 && std::string_view(buffer, static_cast<std::size_t>(n)) == image.path;
}

// True for a process id (not the id of a thread other than a process's main thread).
bool IsProcessId(int pid) {
  std::ifstream status(ProcPath(pid, "status"));
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, 5, "Tgid:") == 0) {
      return PidOf(Trim(std::string_view(line).substr(5)).c_str()) == pid;
    }
  }
  return false;
}

// Through syscall(): the C library's declarations of these are not usable from C++ everywhere.
int PidfdOpen(int pid) {
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
}
bool PidfdKill(int fd) {
  return syscall(SYS_pidfd_send_signal, fd, SIGKILL, nullptr, 0) == 0;
}

// Sends SIGKILL to the process. Through a pidfd when the system has them: once the pidfd is
// open the id cannot stand for another process any more, and the name is checked again
// against the one the snapshot saw, so a reused id is never hit.
bool Terminate(int pid, const std::string* expectedName) {
  int fd = PidfdOpen(pid);
  if (fd < 0) {
    if (errno == ESRCH || errno == EINVAL) {
      return false;
    }
    return kill(static_cast<pid_t>(pid), SIGKILL) == 0;
  }
  bool same = expectedName == nullptr || SameText(ImageName(pid), *expectedName);
  bool sent = same && PidfdKill(fd);
  close(fd);
  return sent;
}

}  // namespace

std::vector<TProcessEntry> ProcessSnapshot() {
  std::vector<TProcessEntry> entries;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) {
    return entries;
  }
  while (dirent* entry = readdir(proc)) {
    int pid = PidOf(entry->d_name);
    if (pid <= 0)
      continue;
    std::string name = ImageName(pid);
    if (!name.empty()) {
      entries.push_back({pid, std::move(name)});
    }
  }
  closedir(proc);
  return entries;
}

bool KillProcessByName(const std::string& exeName) {
  bool result = false;
  for (const TProcessEntry& entry : ProcessSnapshot()) {
    if (SameText(entry.exeName, exeName)) {
      result = Terminate(entry.pid, &entry.exeName);
    }
  }
  return result;
}

bool AnyProcessOfImage(const std::string& path) {
  TImageFile file;
  if (!ReadImageFile(path, file))
    return false;
  for (const TProcessEntry& entry : ProcessSnapshot()) {
    if (SameImage(entry.pid, file))
      return true;
  }
  return false;
}

bool KillProcessByPath(const std::string& path) {
  TImageFile file;
  if (!ReadImageFile(path, file))
    return false;
  bool result = false;
  for (const TProcessEntry& entry : ProcessSnapshot()) {
    if (!SameImage(entry.pid, file))
      continue;
    // Checked again through the pidfd's name test, so a reused id is never hit.
    result = Terminate(entry.pid, &entry.exeName) || result;
  }
  return result;
}

bool KillProcessById(int pid) {
  // 0 and negative ids name process groups or every process to kill(2): never passed on.
  if (pid <= 0 || !IsProcessId(pid)) {
    return false;
  }
  return Terminate(pid, nullptr);
}

}  // namespace vlmr
