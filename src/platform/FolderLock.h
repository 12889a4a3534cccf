// The lock of a data folder: one writer at a time keeps a store in memory over Data/users, the
// window or the command-line collector. The lock is a file lock on Data/users.lock; it belongs
// to the open file, so it ends with its process however the process ends, and programs the
// holder starts do not inherit it.
#pragma once

#include <string>

namespace vlmr {

class TFolderLock {
 public:
  enum class TResult {
    Held,         // this process holds the lock now
    Busy,         // another live process holds it
    Unavailable,  // no lock could be made (the folder cannot be created or written)
  };

  // `programFolder` is the folder Data/ lives in (ending with the delimiter or not).
  explicit TFolderLock(std::string programFolder);
  ~TFolderLock();  // releases the lock
  TFolderLock(const TFolderLock&) = delete;
  TFolderLock& operator=(const TFolderLock&) = delete;

  // Creates Data/ when it is missing and takes the lock without waiting. After Unavailable,
  // Error() says why.
  TResult Acquire();
  bool Held() const { return fd_ >= 0; }
  const std::string& LockPath() const { return lockPath_; }
  const std::string& Error() const { return error_; }

 private:
  std::string dataFolder_;
  std::string lockPath_;
  std::string error_;
  int fd_ = -1;
};

}  // namespace vlmr
