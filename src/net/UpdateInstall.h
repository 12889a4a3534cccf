// The hand-over to the updater, the last step of an update: "uplog.txt" in the program's
// folder names the running executable (its file name, GBK, ended by CR LF), the updater is
// started without arguments, and this program ends.
#pragma once

#include <functional>
#include <string>

namespace vlmr {

// The updater's file name by the platform's convention for executables: "update.exe" on
// Windows, "update" here.
std::string UpdaterFileName();
// AppFolder + UpdaterFileName.
std::string UpdaterPath();

// Writes "uplog.txt" in `folder` (which ends with the path delimiter), replacing an older one.
bool WriteUpdateLog(const std::string& folder, const std::string& exeFileName);

// Writes the log, starts the updater (a failure to start it is not reported), calls
// `beforeEnd` (the window hides its tray icon there) and ends every process of this
// executable's name. Returns only when the process did not end (or a test hook ran).
void InstallUpdate(const std::function<void()>& beforeEnd);

}  // namespace vlmr
