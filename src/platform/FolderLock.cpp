#include "platform/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/Utils.h"

namespace vlmr {

TFolderLock::TFolderLock(std::string programFolder)
    : dataFolder_(IncludeBackslash(programFolder) + "Data"),
      lockPath_(dataFolder_ + kPathDelim + "users.lock") {}

TFolderLock::~TFolderLock() {
  if (fd_ >= 0) {
    close(fd_);
  }
}

TFolderLock::TResult TFolderLock::Acquire() {
  if (fd_ >= 0) {
    return TResult::Held;
  }
  std::error_code made;
  std::filesystem::create_directories(dataFolder_, made);
  if (made) {
    error_ = made.message();
    return TResult::Unavailable;
  }
  const int fd = open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    error_ = std::strerror(errno);
    return TResult::Unavailable;
  }
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    if (error == EINTR) {
      continue;
    }
    close(fd);
    if (error == EWOULDBLOCK) {
      return TResult::Busy;
    }
    error_ = std::strerror(error);
    return TResult::Unavailable;
  }
  fd_ = fd;
  return TResult::Held;
}

}  // namespace vlmr
