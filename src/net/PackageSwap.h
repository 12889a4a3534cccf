// Installing an unpacked package into the program's folder so that the folder is wholly the
// old version or wholly the new one, also when the installing process is killed at any moment.
//
// The files wait in a staging folder. Before anything in the folder changes, a journal
// (".update-journal", replaced in one step) lists every file of the package, whether an old
// copy exists and which folders are new. Each old copy is kept as a hard link (a copy where
// links fail) in ".update-backup", then the new file is renamed over it in one step, the
// program file last. The journal turns to "done" at the commit; after that the backup goes.
// Recover finishes an interrupted run: before the commit it puts every old file back and
// removes the new ones (rollback); after it, it only clears away.
#pragma once

#include <functional>
#include <string>

namespace vlmr {

enum class TSwapResult {
  Installed,   // the folder holds the new version
  RolledBack,  // a step failed: the folder holds the old version again
  Failed,      // not even the rollback could finish (the journal stays for the next run)
};

enum class TRecovery {
  Nothing,     // no interrupted run
  RolledBack,  // an interrupted run was undone
  Completed,   // an interrupted run had committed; its leftovers went
  Failed,      // the journal could not be read or the rollback did not finish
};

struct TPackageSwap {
  std::string folder;   // the program's folder
  std::string staging;  // the unpacked package, below `folder`
  // Files installed last, in this order (the program's file); relative to `staging`.
  std::string lastFile;
  // Called before each change of the folder with a running number (tests kill the process
  // there); may be empty.
  std::function<void(int step)> beforeStep;
};

TSwapResult InstallPackage(const TPackageSwap& swap);
TRecovery RecoverInterruptedInstall(const std::string& folder);

// Holds the folder's install lock (".update-lock", an advisory lock) while it lives, so that
// an updater and the program's own recovery never work on the folder at the same time.
class TInstallLock {
 public:
  // Waits for the lock when `wait`, otherwise tries once.
  TInstallLock(const std::string& folder, bool wait);
  ~TInstallLock();
  TInstallLock(const TInstallLock&) = delete;
  TInstallLock& operator=(const TInstallLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Names the swap keeps in the folder.
inline constexpr const char* kStagingFolder = ".update-staging";
inline constexpr const char* kBackupFolder = ".update-backup";
inline constexpr const char* kJournalFile = ".update-journal";

}  // namespace vlmr
