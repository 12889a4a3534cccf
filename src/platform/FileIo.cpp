#include "platform/FileIo.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace vlmr {
namespace {

// The file a write to `path` should replace: the target of a link, so that the link stays.
std::string WriteTarget(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) != nullptr) {
      return resolved;
    }
  }
  return path;
}

}  // namespace

bool WriteToFile(int fd, std::string_view content) {
  while (!content.empty()) {
    ssize_t n = write(fd, content.data(), content.size());
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    content.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool MakeFolders(const std::string& path, mode_t mode) {
  if (path.empty()) {
    return false;
  }
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    std::string parent = path.substr(0, slash);
    if (mkdir(parent.c_str(), mode) != 0 && errno != EEXIST) {
      break;  // the final check below decides
    }
  }
  mkdir(path.c_str(), mode);
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TFileRead ReadWholeFile(const std::string& path, std::size_t cap, std::string& out) {
  out.clear();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a FIFO must not block
  if (fd < 0) {
    return errno == ENOENT || errno == ENOTDIR ? TFileRead::Missing : TFileRead::Failed;
  }
  TFileRead result = TFileRead::Read;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<unsigned long long>(st.st_size) > cap) {
    result = TFileRead::Failed;
  } else {
    char buffer[65536];
    while (true) {
      ssize_t n = read(fd, buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EINTR)
          continue;
        result = TFileRead::Failed;
        break;
      }
      if (n == 0)
        break;
      // The file may grow while it is read: the cap holds for what is read, too.
      if (out.size() + static_cast<std::size_t>(n) > cap) {
        result = TFileRead::Failed;
        break;
      }
      out.append(buffer, static_cast<std::size_t>(n));
    }
  }
  close(fd);
  if (result != TFileRead::Read) {
    out.clear();
  }
  return result;
}

namespace {

// A temporary file's name: the prefix, the writing process's id, "-" and a serial. Its length
// does not depend on the target's, so a target whose name is at the file system's limit can
// still be written.
const char* const kTempPrefix = ".vlmr-tmp-";

// Temporary files of earlier writes whose process is gone (killed between creating the file and
// the rename) are removed, so that crashes leave nothing to pile up.
void RemoveOrphanedTemps(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) {
    return;
  }
  const std::string prefix = kTempPrefix;
  while (dirent* entry = readdir(dir)) {
    const std::string file = entry->d_name;
    if (file.compare(0, prefix.size(), prefix) != 0) {
      continue;
    }
    char* end = nullptr;
    const long pid = std::strtol(file.c_str() + prefix.size(), &end, 10);
    if (pid <= 0 || !end || *end != '-') {
      continue;
    }
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
      const std::string orphan = folder + "/" + file;
      struct stat st {};
      if (lstat(orphan.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        unlink(orphan.c_str());
      }
    }
  }
  closedir(dir);
}

}  // namespace

bool ReplaceFile(const std::string& path, std::string_view content, int mode) {
  return ReplaceFileBy(
      path, [content](int fd, const std::string&) { return WriteToFile(fd, content); }, mode);
}

bool ReplaceFileBy(const std::string& path,
                   const std::function<bool(int fd, const std::string& tempPath)>& write,
                   int mode) {
  static std::atomic<unsigned> counter{0};
  const std::string target = WriteTarget(path);
  std::size_t slash = target.rfind('/');
  std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  if (name.empty()) {
    return false;
  }
  if (mode < 0) {
    struct stat st {};
    if (stat(target.c_str(), &st) == 0) {
      if (!S_ISREG(st.st_mode)) {
        return false;
      }
      mode = static_cast<int>(st.st_mode & 07777);
    }
  }
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temp = (slash == std::string::npos ? std::string() : folder) + kTempPrefix +
           std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1));
    // New files get the usual permissions less the umask; an explicit or kept mode is set below.
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
              mode < 0 ? 0666 : 0600);
    if (fd < 0 && errno != EEXIST) {
      return false;
    }
  }
  if (fd < 0) {
    return false;
  }
  bool ok = false;
  try {
    ok = (mode < 0 || fchmod(fd, static_cast<mode_t>(mode)) == 0) && write(fd, temp) &&
         fsync(fd) == 0;
  } catch (...) {
    close(fd);
    unlink(temp.c_str());
    throw;
  }
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  RemoveOrphanedTemps(slash == std::string::npos ? std::string(".") : folder);
  return true;
}

}  // namespace vlmr
