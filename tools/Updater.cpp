#include "Updater.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "base/Text.h"
#include "net/ZipUnpack.h"
#include "platform/Processes.h"
#include "platform/Shell.h"

namespace vlmr::vendor {
namespace {

namespace fs = std::filesystem;

constexpr const char* kStaging = ".update-staging";

bool AnyProcessNamed(const std::string& name) {
  for (const TProcessEntry& e : ProcessSnapshot()) {
    if (SameText(e.exeName, name))
      return true;
  }
  return false;
}

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

}  // namespace

TUpdaterResult RunUpdater(const TUpdaterOptions& options) {
  const fs::path folder(options.folder);
  const std::string exeName = ReadLoggedName(folder);
  if (exeName.empty())
    return TUpdaterResult::NoLog;

  auto isRunning = options.isRunning ? options.isRunning : AnyProcessNamed;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.waitMs);
  while (isRunning(exeName)) {
    if (std::chrono::steady_clock::now() >= deadline)
      return TUpdaterResult::StillRunning;
    std::this_thread::sleep_for(std::chrono::milliseconds(options.pollMs));
  }

  const fs::path archive = folder / "update.zip";
  const fs::path staging = folder / kStaging;
  std::error_code ec;
  fs::remove_all(staging, ec);
  if (!fs::is_regular_file(archive, ec) ||
      UnpackZip(archive.string(), staging.string()) != TUnpackResult::Ok) {
    fs::remove_all(staging, ec);
    return TUpdaterResult::Refused;
  }

  std::vector<fs::path> files;
  for (auto it = fs::recursive_directory_iterator(staging, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_regular_file(ec))
      files.push_back(it->path().lexically_relative(staging));
  }
  if (ec) {
    fs::remove_all(staging, ec);
    return TUpdaterResult::WriteFailed;
  }
  bool moved = true;
  for (const fs::path& rel : files) {
    fs::path target = folder / rel;
    fs::create_directories(target.parent_path(), ec);
    // A rename within one file system replaces the old file in one step, also a running one.
    fs::rename(staging / rel, target, ec);
    if (ec)
      moved = false;
  }
  fs::remove_all(staging, ec);
  if (!moved)
    return TUpdaterResult::WriteFailed;
  fs::remove(archive, ec);
  fs::remove(folder / "uplog.txt", ec);

  const std::string program = (folder / exeName).string();
  if (options.start)
    options.start(program);
  else
    StartProgram(program, {});
  return TUpdaterResult::Installed;
}

}  // namespace vlmr::vendor
