// The updater as the program meets it: a process started in the program's folder.
#include "Updater.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

#include "base/Utils.h"
#include "net/ProcessEnd.h"
#include "net/UpdateInstall.h"
#include "support/TempFolder.h"
#include "support/ZipBuilder.h"

namespace vlmr {
namespace {

namespace fs = std::filesystem;
using test::TTempFolder;

// Every file below a folder with its content.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    std::string rel = e.path().lexically_relative(folder).string();
    if (rel == "update")
      continue;  // the updater itself
    files[rel] = e.is_regular_file() ? TTempFolder::Read(e.path()) : "<dir>";
  }
  return files;
}

// Waits (bounded) for a file another process writes.
bool WaitForFile(const fs::path& p) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!fs::exists(p)) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

std::string Script(const std::string& marker, const std::string& text) {
  return "#!/bin/sh\necho " + text + " > \"$(dirname \"$0\")/" + marker + "\"\n";
}

class UpdaterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A link where the file systems allow one: the debug build's updater is large.
    std::error_code ec;
    fs::create_hard_link(VLMR_UPDATER_EXE, temp.Path() / "update", ec);
    if (ec)
      fs::copy_file(VLMR_UPDATER_EXE, temp.Path() / "update");
    TTempFolder::Write(temp.Path() / program, Script("old-ran", "old"));
    fs::permissions(temp.Path() / program, fs::perms::owner_all);
    fs::create_directories(temp.Path() / "Data");
    TTempFolder::Write(temp.Path() / "Data" / "users", "database");
    WriteUpdateLog(temp.Path().string() + "/", program);
  }

  int RunUpdaterProcess() {
    std::string command = "\"" + (temp.Path() / "update").string() + "\" 2>/dev/null";
    int rc = std::system(command.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }

  TTempFolder temp;
  // A name no other process has: the updater waits for every process of this name to end.
  std::string program = "vlmrtest-prog-" + std::to_string(::getpid());
};

TEST_F(UpdaterTest, AGoodPackageReplacesTheFilesAndStartsTheProgramAgain) {
  test::TZipBuilder zip;
  test::TZipEntry exe{program, Script("new-ran", "new")};
  exe.externalAttributes = 0100755u << 16;
  zip.Add(exe).AddFile("lib/readme.txt", "fresh");
  ASSERT_TRUE(zip.WriteTo((temp.Path() / "update.zip").string()));

  EXPECT_EQ(RunUpdaterProcess(), 0);
  ASSERT_TRUE(WaitForFile(temp.Path() / "new-ran"));
  EXPECT_EQ(TTempFolder::Read(temp.Path() / "new-ran"), "new\n");
  EXPECT_FALSE(fs::exists(temp.Path() / "old-ran"));
  EXPECT_EQ(TTempFolder::Read(temp.Path() / "lib" / "readme.txt"), "fresh");
  EXPECT_EQ(TTempFolder::Read(temp.Path() / "Data" / "users"), "database");
  EXPECT_FALSE(fs::exists(temp.Path() / "update.zip"));
  EXPECT_FALSE(fs::exists(temp.Path() / "uplog.txt"));
  EXPECT_FALSE(fs::exists(temp.Path() / ".update-staging"));
}

TEST_F(UpdaterTest, ARefusedOrDamagedArchiveWritesNothing) {
  struct TCase {
    const char* what;
    test::TZipBuilder zip;
  };
  test::TZipEntry damaged{program, "changed"};
  damaged.crcAdjust = 1;
  TCase cases[] = {
      {"a name leaving the folder",
       test::TZipBuilder().AddFile(program, "changed").AddFile("../escaped", "x")},
      {"a link", test::TZipBuilder().AddFile(program, "changed").AddSymlink("Data/users", "/etc")},
      {"an absolute name", test::TZipBuilder().AddFile("/tmp/abs", "x").AddFile(program, "c")},
      {"damaged data", test::TZipBuilder().AddFile("lib/first.txt", "x").Add(damaged)},
      {"not an archive", test::TZipBuilder()},
  };
  for (TCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = c.zip.Bytes();
    if (std::string(c.what) == "not an archive")
      bytes = "this is no zip";
    TTempFolder::Write(temp.Path() / "update.zip", bytes);
    auto before = Snapshot(temp.Path());
    EXPECT_EQ(RunUpdaterProcess(), static_cast<int>(vendor::TUpdaterResult::Refused));
    EXPECT_EQ(Snapshot(temp.Path()), before);
    EXPECT_FALSE(fs::exists(temp.Path().parent_path() / "escaped"));
  }
}

TEST_F(UpdaterTest, NoLogOrAProgramThatDoesNotEndInstallsNothing) {
  ASSERT_TRUE(test::TZipBuilder()
                  .AddFile(program, "changed")
                  .WriteTo((temp.Path() / "update.zip").string()));
  auto before = Snapshot(temp.Path());
  vendor::TUpdaterOptions options;
  options.folder = temp.Path().string();
  options.waitMs = 50;
  options.pollMs = 5;
  options.isRunning = [](const std::string&) { return true; };
  options.start = [](const std::string&) {
    ADD_FAILURE() << "started";
    return true;
  };
  EXPECT_EQ(vendor::RunUpdater(options), vendor::TUpdaterResult::StillRunning);
  EXPECT_EQ(Snapshot(temp.Path()), before);

  for (const char* log : {"", "../elsewhere\r\n", "sub/prog\r\n"}) {
    TTempFolder::Write(temp.Path() / "uplog.txt", log);
    options.isRunning = [](const std::string&) { return false; };
    EXPECT_EQ(vendor::RunUpdater(options), vendor::TUpdaterResult::NoLog) << log;
  }
}

TEST(UpdateInstallTest, WritesTheLogStartsTheUpdaterAndEndsByName) {
  TTempFolder temp;
  SetAppFolderOverride(temp.Path().string());
  std::vector<TProcessEnd> ends;
  SetProcessEndHookForTesting([&](TProcessEnd way) { ends.push_back(way); });
  TTempFolder::Write(temp.Path() / "uplog.txt", "an older log that is longer\r\n");
  TTempFolder::Write(temp.Path() / UpdaterFileName(), Script("updater-ran", "yes"));
  fs::permissions(temp.Path() / UpdaterFileName(), fs::perms::owner_all);
  bool trayHidden = false;
  InstallUpdate([&] {
    trayHidden = true;
    EXPECT_TRUE(ends.empty());
  });
  EXPECT_TRUE(trayHidden);
  EXPECT_EQ(ends, std::vector<TProcessEnd>{TProcessEnd::ByName});
  EXPECT_EQ(TTempFolder::Read(temp.Path() / "uplog.txt"), ExeFileName() + "\r\n");
  EXPECT_TRUE(WaitForFile(temp.Path() / "updater-ran"));
  EXPECT_EQ(UpdaterFileName(), "update");

  // Without an updater on disk the program still ends itself.
  fs::remove(temp.Path() / UpdaterFileName());
  InstallUpdate({});
  EXPECT_EQ(ends.size(), 2u);
  SetProcessEndHookForTesting({});
  SetAppFolderOverride("");
}

}  // namespace
}  // namespace vlmr
