// The hand-over to the updater, the last step of an update: "uplog.txt" in the program's
// folder names the running executable (its file name, GBK, ended by CR LF), the updater is
// started without arguments, and this program ends.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "net/UpDateInfo.h"

namespace vlmr {

// The updater's file name by the platform's convention for executables: "update.exe" on
// Windows, "update" here.
std::string UpdaterFileName();
// AppFolder + UpdaterFileName.
std::string UpdaterPath();

// The updater's version, four dotted numbers: what "updater --version" prints (bounded wait),
// else the version resource of a Windows executable, else "1.0.0.0".
std::string UpdaterVersionOf(const std::string& path);

// Writes "uplog.txt" in `folder` (which ends with the path delimiter), replacing an older one.
bool WriteUpdateLog(const std::string& folder, const std::string& exeFileName);

// The hand-over: writes "update.manifest" (the program package's signed manifest, for the
// updater to check again) and the log, and starts the updater. When the updater cannot be
// started, the hand-over files are removed, the failure is recorded for the day, and false is
// returned: the program goes on. Otherwise `beforeEnd` runs (the window hides its tray icon
// there) and every process of this executable's name ends; returns true only when the process
// did not end (or a test hook ran).
bool InstallUpdate(const TUpDateInfo& info, const std::function<void()>& beforeEnd);

// At the program's start: finishes an install a killed updater left half done (when no updater
// holds the folder) and returns the message of an update failure not yet shown (GBK), marking
// it shown.
std::optional<std::string> UpdateNoticeAtStart();

// Removes "update.zip", "update.manifest" and "uplog.txt" from `folder`.
void RemoveHandOver(const std::string& folder);

}  // namespace vlmr
