#include "Updater.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "base/Text.h"
#include "net/PackageSwap.h"
#include "net/UpdateFailure.h"
#include "net/UpdateInstall.h"
#include "net/UpdateManifest.h"
#include "net/VendorSettings.h"
#include "net/ZipUnpack.h"
#include "platform/Processes.h"
#include "platform/Shell.h"

namespace vlmr::vendor {
namespace {

namespace fs = std::filesystem;

// The first line of "uplog.txt": a plain file name (GBK on disk, the native name here).
std::string ReadLoggedName(const fs::path& folder) {
  std::ifstream in(folder / "uplog.txt", std::ios::binary);
  std::string line;
  if (!in.is_open() || !std::getline(in, line))
    return {};
  line = Trim(line);
  if (line.empty() || line == "." || line == ".." || line.find('/') != std::string::npos ||
      line.find('\\') != std::string::npos)
    return {};
  return IsValidUtf8(line) ? line : GbkToUtf8(line);
}

std::optional<TUpdateManifest> ReadManifest(const fs::path& folder) {
  std::ifstream in(folder / "update.manifest", std::ios::binary);
  if (!in.is_open())
    return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return ParseManifestFile(text);
}

struct TFailure {
  TUpdaterResult result;
  std::string reason;  // GBK

  TFailure(TUpdaterResult r, const char* utf8) : result(r), reason(Utf8ToGbk(utf8)) {}
  TFailure(TUpdaterResult r, std::string gbk) : result(r), reason(std::move(gbk)) {}
};

// Checks, unpacks and swaps; the failure when nothing was installed.
std::optional<TFailure> Install(const TUpdaterOptions& options, const fs::path& folder,
                                const std::string& exeName, const std::string& key,
                                const std::optional<TUpdateManifest>& manifest) {
  // The program in this folder, not another of the same name elsewhere.
  std::function<bool(const std::string&)> isRunning = options.isRunning;
  if (!isRunning) {
    isRunning = [&folder](const std::string& name) {
      return AnyProcessOfImage((folder / name).string());
    };
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.waitMs);
  while (isRunning(exeName)) {
    if (std::chrono::steady_clock::now() >= deadline)
      return TFailure{TUpdaterResult::StillRunning, "程序没有退出"};
    std::this_thread::sleep_for(std::chrono::milliseconds(options.pollMs));
  }

  const fs::path archive = folder / "update.zip";
  std::error_code ec;
  if (!fs::is_regular_file(archive, ec))
    return TFailure{TUpdaterResult::Refused, "没有找到升级包"};
  if (!manifest)
    return TFailure{TUpdaterResult::Refused, "升级包没有签名说明"};
  TPackageCheck check = CheckPackage(archive.string(), *manifest, kProgramProduct, key);
  if (check != TPackageCheck::Ok)
    return TFailure{TUpdaterResult::Refused, PackageCheckReason(check)};

  const fs::path staging = folder / kStagingFolder;
  fs::remove_all(staging, ec);
  if (UnpackZip(archive.string(), staging.string()) != TUnpackResult::Ok) {
    fs::remove_all(staging, ec);
    return TFailure{TUpdaterResult::Refused, "升级包已损坏或含有不安全的内容"};
  }
  // The install's own files are never taken from a package: the journal would lie.
  for (const auto& entry : fs::directory_iterator(staging, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(".update-", 0) == 0 || name == "update-failed.txt" || name == "uplog.txt" ||
        name == "update.manifest" || name == "update.zip") {
      fs::remove_all(staging, ec);
      return TFailure{TUpdaterResult::Refused, "升级包已损坏或含有不安全的内容"};
    }
  }
  if (!fs::is_regular_file(fs::symlink_status(staging / exeName, ec))) {
    fs::remove_all(staging, ec);
    return TFailure{TUpdaterResult::Refused, "升级包中没有程序文件"};
  }
  TPackageSwap swap{folder.string(), staging.string(), exeName, options.beforeStep};
  switch (InstallPackage(swap)) {
    case TSwapResult::Installed:
      return std::nullopt;
    case TSwapResult::RolledBack:
      return TFailure{TUpdaterResult::WriteFailed, "文件无法替换"};
    case TSwapResult::Failed:
      break;
  }
  return TFailure{TUpdaterResult::WriteFailed, "文件无法替换，恢复未能完成"};
}

}  // namespace

TUpdaterOutcome RunUpdater(const TUpdaterOptions& options) {
  const fs::path folder(options.folder);
  const std::string key = options.publicKey.empty() ? UpdatePublicKey() : options.publicKey;
  TUpdaterOutcome outcome;
  std::string exeName;
  {
    TInstallLock lock(folder.string(), true);
    RecoverInterruptedInstall(folder.string());
    exeName = ReadLoggedName(folder);
    std::optional<TUpdateManifest> manifest = ReadManifest(folder);
    std::optional<TFailure> failure;
    if (exeName.empty()) {
      failure = TFailure{TUpdaterResult::NoLog, "没有升级记录"};
    } else {
      failure = Install(options, folder, exeName, key, manifest);
    }
    // Started by hand, with nothing handed over: nothing to report either.
    bool handedOver = fs::exists(folder / "uplog.txt");
    RemoveHandOver(folder.string());
    if (failure) {
      outcome.result = failure->result;
      outcome.reason = failure->reason;
      if (handedOver) {
        WriteUpdateFailure(folder.string(), {manifest ? manifest->version : std::string(),
                                             TodayText(), outcome.reason, false});
      }
    }
  }
  // The program then in the folder: the new one, or the old one again.
  std::error_code ec;
  const fs::path program = folder / exeName;
  if (!exeName.empty() && fs::is_regular_file(program, ec)) {
    if (options.start)
      options.start(program.string());
    else
      StartProgram(program.string(), {});
  }
  return outcome;
}

}  // namespace vlmr::vendor
