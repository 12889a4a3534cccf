#include "net/UpdateInstall.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/Text.h"
#include "base/Utils.h"
#include "base/Version.h"
#include "net/PackageSwap.h"
#include "net/ProcessEnd.h"
#include "net/UpdateFailure.h"
#include "net/UpdateManifest.h"
#include "platform/FileVersion.h"
#include "platform/Shell.h"

namespace vlmr {
namespace {

constexpr int kVersionWaitMs = 3000;

// Four dotted numbers of at most five digits each.
bool IsFourPartVersion(const std::string& text) {
  int parts = 0;
  std::size_t digits = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      if (++digits > 5)
        return false;
    } else if (c == '.' && digits > 0) {
      ++parts;
      digits = 0;
    } else {
      return false;
    }
  }
  return digits > 0 && parts == 3;
}

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out.is_open())
    return false;
  out << text;
  out.close();
  return !out.fail();
}

}  // namespace

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

std::string UpdaterVersionOf(const std::string& path) {
  std::error_code ec;
  namespace fs = std::filesystem;
  fs::perms perms = fs::status(path, ec).permissions();
  if (!ec && (perms & fs::perms::owner_exec) != fs::perms::none) {
    std::optional<std::string> out = ProgramOutput(path, {"--version"}, kVersionWaitMs, 64);
    if (out) {
      std::string version = Trim(*out);
      if (IsFourPartVersion(version))
        return version;
    }
  }
  return GetFileVersionText(path);
}

bool WriteUpdateLog(const std::string& folder, const std::string& exeFileName) {
  return WriteText(folder + "uplog.txt", exeFileName + "\r\n");
}

void RemoveHandOver(const std::string& folder) {
  std::error_code ec;
  for (const char* name : {"update.zip", "update.manifest", "uplog.txt"})
    std::filesystem::remove(std::filesystem::path(folder) / name, ec);
}

std::optional<std::string> UpdateNoticeAtStart() {
  const std::string folder = AppFolder();
  std::error_code ec;
  if (std::filesystem::exists(folder + kJournalFile, ec)) {
    TInstallLock lock(folder, false);
    if (lock.Held() && RecoverInterruptedInstall(folder) == TRecovery::RolledBack) {
      std::optional<TUpdateFailure> known = ReadUpdateFailure(folder);
      if (!known || known->shown)
        WriteUpdateFailure(folder, {{}, TodayText(), Utf8ToGbk("升级被中断"), false});
    }
  }
  return TakeUpdateFailureMessage(folder);
}

bool InstallUpdate(const TUpDateInfo& info, const std::function<void()>& beforeEnd) {
  const std::string folder = AppFolder();
  TUpdateManifest manifest{kProgramProduct, info.PackageVersion, info.PackageSha256,
                           info.PackageSig, CONFIG_VERSION};
  bool written = WriteText(folder + "update.manifest", FormatManifestFile(manifest)) &&
                 WriteUpdateLog(folder, ExeFileName());
  if (!written || !StartProgram(UpdaterPath(), {})) {
    RemoveHandOver(folder);
    WriteUpdateFailure(folder,
                       {info.PackageVersion, TodayText(),
                        Utf8ToGbk(written ? "升级程序无法启动" : "升级文件无法写入"), true});
    return false;
  }
  if (beforeEnd)
    beforeEnd();
  EndThisProcess(TProcessEnd::ByName);
  return true;
}

}  // namespace vlmr
