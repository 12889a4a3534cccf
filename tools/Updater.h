// The updater: run from the program's folder after the program handed an update over
// ("update.zip", its signed manifest "update.manifest", and "uplog.txt" naming the program's
// file). It
//   1. finishes an install a killed updater left half done (net/PackageSwap.h);
//   2. reads the program's file name from "uplog.txt" and waits (bounded) until the program
//      file of the folder runs no more;
//   3. checks the manifest with the key built into it (signature, product, a version newer
//      than the one that handed over) and the package's SHA-256, before it touches anything;
//   4. unpacks the package into a staging folder with the same checks as every unpacking
//      (nothing outside the folder, no links, damaged data refused) and refuses a package
//      without the program's file;
//   5. swaps the files in with a rollback: the folder is wholly old or wholly new.
// Whatever happened, the hand-over files go, a failure is recorded with its reason in
// "update-failed.txt" (net/UpdateFailure.h), and the program then in the folder is started.
#pragma once

#include <functional>
#include <string>

namespace vlmr::vendor {

// What `update --version` prints; the program compares it with the offered updater version.
inline constexpr const char* kUpdaterVersion = "1.0.0.2";

enum class TUpdaterResult {
  Installed = 0,
  NoLog = 1,         // no "uplog.txt", or it does not name a file of the folder
  StillRunning = 2,  // the program did not end within the wait
  Refused = 3,       // no valid manifest, a wrong package, or an archive refused or damaged
  WriteFailed = 4,   // a file could not be put in place: the old version was restored
};

struct TUpdaterOptions {
  std::string folder;  // the program's folder
  int waitMs = 30000;
  int pollMs = 100;
  // The key manifests must be signed with; the built-in one when empty.
  std::string publicKey;
  // Asked while waiting; the default looks for a process running the folder's program file.
  std::function<bool(const std::string& exeName)> isRunning;
  // Starts the program; the default starts it detached.
  std::function<bool(const std::string& path)> start;
  // Called before each change of the folder during the swap (tests kill the process there).
  std::function<void(int step)> beforeStep;
};

struct TUpdaterOutcome {
  TUpdaterResult result = TUpdaterResult::Installed;
  std::string reason;  // GBK, empty when installed
};

TUpdaterOutcome RunUpdater(const TUpdaterOptions& options);

}  // namespace vlmr::vendor
