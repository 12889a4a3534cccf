// Process snapshot and termination (/proc here). Only processes the user may signal can be
// terminated.
#pragma once

#include <string>
#include <vector>

namespace vlmr {

struct TProcessEntry {
  int pid;
  std::string exeName;  // file name of the executable image ("vlmr", "update.exe")
};

std::vector<TProcessEntry> ProcessSnapshot();

// Terminates every process whose executable file name equals `exeName` without regard to
// case; the result of the last attempt (false when nothing matched). The caller is not
// excluded.
bool KillProcessByName(const std::string& exeName);
// True while a process runs whose executable image is the file at `path`.
bool AnyProcessOfImage(const std::string& path);
// Terminates every process whose executable image is the file at `path` (the same file started
// through that path: not merely the same name, nor a hard link to it elsewhere); false when
// none was.
bool KillProcessByPath(const std::string& path);
// Terminates the process with that id; false when there is none or it cannot be signalled.
bool KillProcessById(int pid);

}  // namespace vlmr
