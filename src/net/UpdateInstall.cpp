#include "net/UpdateInstall.h"

#include <fstream>

#include "base/Utils.h"
#include "net/ProcessEnd.h"
#include "platform/Shell.h"

namespace vlmr {

std::string UpdaterFileName() {
#ifdef _WIN32
  return "update.exe";
#else
  return "update";
#endif
}

std::string UpdaterPath() {
  return AppFolder() + UpdaterFileName();
}

bool WriteUpdateLog(const std::string& folder, const std::string& exeFileName) {
  std::ofstream out(folder + "uplog.txt", std::ios::binary | std::ios::trunc);
  if (!out.is_open())
    return false;
  out << exeFileName << "\r\n";
  out.close();
  return !out.fail();
}

void InstallUpdate(const std::function<void()>& beforeEnd) {
  WriteUpdateLog(AppFolder(), ExeFileName());
  StartProgram(UpdaterPath(), {});
  if (beforeEnd)
    beforeEnd();
  EndThisProcess(TProcessEnd::ByName);
}

}  // namespace vlmr
