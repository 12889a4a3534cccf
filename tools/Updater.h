// The updater: run from the program's folder after the program handed an update over. It
// reads the program's file name from "uplog.txt", waits (bounded) until no process of that
// name runs, unpacks "update.zip" with the same checks as every other unpacking (nothing
// outside the folder, no links, damaged data refused) into a staging folder, moves each file
// over its old copy (an atomic rename), deletes "update.zip" and "uplog.txt", and starts the
// program again. A refused or damaged archive writes nothing into the folder, keeps
// "update.zip" and starts nothing.
#pragma once

#include <functional>
#include <string>

namespace vlmr::vendor {

enum class TUpdaterResult {
  Installed = 0,
  NoLog = 1,         // no "uplog.txt", or it does not name a file of the folder
  StillRunning = 2,  // the program did not end within the wait
  Refused = 3,       // the archive is missing, refused or damaged: nothing written
  WriteFailed = 4,   // a file could not be moved into place
};

struct TUpdaterOptions {
  std::string folder;  // the program's folder
  int waitMs = 30000;
  int pollMs = 100;
  // Asked while waiting; the default looks for a process of that name.
  std::function<bool(const std::string& exeName)> isRunning;
  // Starts the program; the default starts it detached.
  std::function<bool(const std::string& path)> start;
};

TUpdaterResult RunUpdater(const TUpdaterOptions& options);

}  // namespace vlmr::vendor
