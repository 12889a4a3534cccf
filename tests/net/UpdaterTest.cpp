// The updater as the program meets it: a process started in the program's folder with a
// package, its signed manifest and the log handed over; and the install it makes, killed at
// every step.
#include "Updater.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

#include "VendorKit.h"
#include "base/Text.h"
#include "base/Utils.h"
#include "net/ConfigDocument.h"
#include "net/PackageSwap.h"
#include "net/ProcessEnd.h"
#include "net/UpdateFailure.h"
#include "net/UpdateInstall.h"
#include "net/UpdateManifest.h"
#include "net/VendorSettings.h"
#include "platform/Processes.h"
#include "support/KilledChild.h"
#include "support/TempFolder.h"
#include "support/ZipBuilder.h"

extern char** environ;

namespace vlmr {
namespace {

namespace fs = std::filesystem;
using test::TTempFolder;

using TSnapshot = std::map<std::string, std::string>;

// Every file below a folder with its content, without what the update itself keeps there
// (the updater, the hand-over, the failure record, the lock) and the run markers.
TSnapshot Snapshot(const fs::path& folder) {
  TSnapshot files;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    std::string rel = e.path().lexically_relative(folder).string();
    if (rel == "update" || rel == "update.zip" || rel == "update.manifest" || rel == "uplog.txt" ||
        rel == "update-failed.txt" || rel == ".update-lock" || rel == "old-ran" || rel == "new-ran")
      continue;
    files[rel] = e.is_regular_file() ? TTempFolder::Read(e.path()) : "<dir>";
  }
  return files;
}

// Waits (bounded) for a condition another process brings about.
bool QuicklyTrue(const std::function<bool()>& condition) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Waits (bounded) for a file another process writes.
bool WaitForFile(const fs::path& p) {
  return QuicklyTrue([&] { return fs::exists(p); });
}

std::string Script(const std::string& marker, const std::string& text) {
  return "#!/bin/sh\necho " + text + " > \"$(dirname \"$0\")/" + marker + "\"\n";
}

std::string TestKeyPem() {
  return TTempFolder::Read(VLMR_TEST_VENDOR_PEM);
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
    TTempFolder::Write(temp.Path() / "readme.txt", "old readme");
  }

  // The package that the program hands over, signed with the test key for `version`.
  void HandOver(const std::string& zipBytes, const std::string& version = "1.6",
                const std::string& product = kProgramProduct) {
    TTempFolder::Write(temp.Path() / "update.zip", zipBytes);
    TUpdateManifest m{product, version, Sha256Hex(zipBytes), {}, "1.5"};
    m.signature = *vendor::SignBytes(TestKeyPem(), m.SignedText());
    m.product = kProgramProduct;
    TTempFolder::Write(temp.Path() / "update.manifest", FormatManifestFile(m));
    WriteUpdateLog(temp.Path().string() + "/", program);
  }

  // The new version: the program (a script that says it ran), a new file in a new folder and
  // a changed one.
  std::string NewPackage() {
    test::TZipEntry exe{program, Script("new-ran", "new")};
    exe.externalAttributes = 0100755u << 16;
    return test::TZipBuilder()
        .Add(exe)
        .AddFile("lib/plugin.txt", "fresh")
        .AddFile("readme.txt", "new readme")
        .Bytes();
  }

  int RunUpdaterProcess() {
    std::string command = "\"" + (temp.Path() / "update").string() + "\" 2>/dev/null";
    int rc = std::system(command.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }

  // The updater run in this process, starting nothing.
  vendor::TUpdaterOptions InProcess() {
    vendor::TUpdaterOptions options;
    options.folder = temp.Path().string();
    options.publicKey = vlmr_test_key;
    options.isRunning = [](const std::string&) { return false; };
    options.start = [this](const std::string& path) {
      started.push_back(fs::path(path).filename().string());
      return true;
    };
    return options;
  }

  TTempFolder temp;
  std::string program = "vlmrtest-prog-" + std::to_string(::getpid());
  std::vector<std::string> started;
  const std::string vlmr_test_key = *vendor::PublicKeyOf(TestKeyPem());
};

TEST_F(UpdaterTest, AGoodPackageReplacesTheFilesAndStartsTheNewProgram) {
  TSnapshot before = Snapshot(temp.Path());
  HandOver(NewPackage());
  EXPECT_EQ(RunUpdaterProcess(), 0);
  ASSERT_TRUE(WaitForFile(temp.Path() / "new-ran"));
  EXPECT_EQ(TTempFolder::Read(temp.Path() / "new-ran"), "new\n");
  EXPECT_FALSE(fs::exists(temp.Path() / "old-ran"));
  EXPECT_EQ(TTempFolder::Read(temp.Path() / "lib" / "plugin.txt"), "fresh");
  EXPECT_EQ(TTempFolder::Read(temp.Path() / "readme.txt"), "new readme");
  EXPECT_EQ(TTempFolder::Read(temp.Path() / "Data" / "users"), "database");
  for (const char* gone : {"update.zip", "update.manifest", "uplog.txt", "update-failed.txt",
                           kStagingFolder, kBackupFolder, kJournalFile})
    EXPECT_FALSE(fs::exists(temp.Path() / gone)) << gone;
  EXPECT_NE(Snapshot(temp.Path()), before);
}

// Every refusal: nothing in the folder changes, the hand-over goes, the reason is recorded for
// the program's next start, and the old program is started again.
TEST_F(UpdaterTest, ARefusedPackageChangesNothingRecordsWhyAndStartsTheOldProgram) {
  test::TZipEntry damaged{"readme.txt", "changed"};
  damaged.crcAdjust = 1;
  struct TCase {
    const char* what;
    std::function<void()> prepare;
  };
  const TCase cases[] = {
      {"no manifest",
       [&] {
         HandOver(NewPackage());
         fs::remove(temp.Path() / "update.manifest");
       }},
      {"signed with another key",
       [&] {
         HandOver(NewPackage());
         auto other = vendor::GenerateKeyPair();
         TUpdateManifest m{kProgramProduct, "1.6", Sha256Hex(NewPackage()), {}, "1.5"};
         m.signature = *vendor::SignBytes(other->privatePem, m.SignedText());
         TTempFolder::Write(temp.Path() / "update.manifest", FormatManifestFile(m));
       }},
      {"a package that is not the signed one",
       [&] {
         HandOver(NewPackage());
         TTempFolder::Write(temp.Path() / "update.zip",
                            test::TZipBuilder().AddFile(program, "evil").Bytes());
       }},
      {"a version offered as another",
       [&] {
         HandOver(NewPackage(), "1.6");
         std::string text = TTempFolder::Read(temp.Path() / "update.manifest");
         text.replace(text.find("version=1.6"), 11, "version=1.7");
         TTempFolder::Write(temp.Path() / "update.manifest", text);
       }},
      {"an older version", [&] { HandOver(NewPackage(), "1.4"); }},
      {"the updater's package", [&] { HandOver(NewPackage(), "1.6", kUpdaterProduct); }},
      {"a name leaving the folder",
       [&] {
         HandOver(
             test::TZipBuilder().AddFile(program, "changed").AddFile("../escaped", "x").Bytes());
       }},
      {"a link",
       [&] {
         HandOver(test::TZipBuilder()
                      .AddFile(program, "changed")
                      .AddSymlink("Data/users", "/etc")
                      .Bytes());
       }},
      {"an absolute name",
       [&] {
         HandOver(test::TZipBuilder().AddFile("/tmp/abs", "x").AddFile(program, "c").Bytes());
       }},
      {"damaged data",
       [&] { HandOver(test::TZipBuilder().AddFile(program, "x").Add(damaged).Bytes()); }},
      {"not an archive", [&] { HandOver("this is no zip"); }},
      {"an archive holding the install's own files",
       [&] {
         HandOver(test::TZipBuilder()
                      .AddFile(program, "c")
                      .AddFile(".update-journal", "done\n")
                      .Bytes());
       }},
      {"an archive without the program",
       [&] { HandOver(test::TZipBuilder().AddFile("readme.txt", "changed").Bytes()); }},
      {"no package",
       [&] {
         HandOver(NewPackage());
         fs::remove(temp.Path() / "update.zip");
       }},
  };
  const TSnapshot before = Snapshot(temp.Path());
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(temp.Path() / "old-ran");
    fs::remove(temp.Path() / "update-failed.txt");
    c.prepare();
    EXPECT_EQ(RunUpdaterProcess(), static_cast<int>(vendor::TUpdaterResult::Refused));
    EXPECT_EQ(Snapshot(temp.Path()), before);
    EXPECT_FALSE(fs::exists(temp.Path().parent_path() / "escaped"));
    for (const char* gone : {"update.zip", "update.manifest", "uplog.txt"})
      EXPECT_FALSE(fs::exists(temp.Path() / gone)) << gone;
    std::optional<TUpdateFailure> record = ReadUpdateFailure(temp.Path().string());
    ASSERT_TRUE(record);
    EXPECT_FALSE(record->reason.empty());
    EXPECT_FALSE(record->shown);
    EXPECT_EQ(record->date, TodayText());
    EXPECT_TRUE(WaitForFile(temp.Path() / "old-ran"));
  }
}

TEST_F(UpdaterTest, AFailingReplacementPutsEveryOldFileBack) {
  // "zz" is a folder holding a file in the program's folder: the package's file of that name
  // cannot take its place, after two others already have.
  fs::create_directories(temp.Path() / "zz");
  TTempFolder::Write(temp.Path() / "zz" / "inside", "kept");
  const TSnapshot before = Snapshot(temp.Path());
  test::TZipEntry exe{program, Script("new-ran", "new")};
  exe.externalAttributes = 0100755u << 16;
  HandOver(test::TZipBuilder()
               .Add(exe)
               .AddFile("lib/plugin.txt", "fresh")
               .AddFile("readme.txt", "new readme")
               .AddFile("zz", "a file")
               .Bytes());
  vendor::TUpdaterOutcome outcome = vendor::RunUpdater(InProcess());
  EXPECT_EQ(outcome.result, vendor::TUpdaterResult::WriteFailed);
  EXPECT_EQ(Snapshot(temp.Path()), before);
  EXPECT_EQ(started, std::vector<std::string>{program});
  std::optional<TUpdateFailure> record = ReadUpdateFailure(temp.Path().string());
  ASSERT_TRUE(record);
  EXPECT_EQ(record->version, "1.6");
  EXPECT_EQ(UpdateFailureMessage(record->reason),
            Utf8ToGbk("升级失败：文件无法替换，已恢复原版本"));
}

// The install killed with SIGKILL before each change it makes: the program's file is never
// missing, and the recovery (the next updater or the program's start) leaves the folder wholly
// old or wholly new; the next updater run then installs the package.
TEST_F(UpdaterTest, KilledAtAnyStepTheFolderIsWhollyOldOrWhollyNew) {
  const TSnapshot before = Snapshot(temp.Path());
  const std::string package = NewPackage();
  bool completed = false;
  int oldSeen = 0, newSeen = 0;
  for (int killAt = 0; !completed && killAt < 100; ++killAt) {
    SCOPED_TRACE("killed before step " + std::to_string(killAt));
    HandOver(package);
    vendor::TUpdaterOptions options = InProcess();
    options.start = [](const std::string&) { return true; };
    options.beforeStep = [killAt](int step) {
      if (step == killAt)
        ::kill(::getpid(), SIGKILL);
    };
    test::TKilledChild child([&](int) {
      vendor::RunUpdater(options);
      return 0;
    });
    ASSERT_TRUE(child.Started());
    child.Rest();  // until the child has ended
    child.Kill();
    completed = child.ExitStatus() == 0;  // the install has fewer steps than this
    EXPECT_TRUE(completed || child.ExitStatus() == -1);
    EXPECT_TRUE(fs::is_regular_file(temp.Path() / program));
    RecoverInterruptedInstall(temp.Path().string());
    TSnapshot now = Snapshot(temp.Path());
    if (now == before) {
      ++oldSeen;
    } else {
      ++newSeen;
      EXPECT_EQ(TTempFolder::Read(temp.Path() / program), Script("new-ran", "new"));
      EXPECT_EQ(TTempFolder::Read(temp.Path() / "readme.txt"), "new readme");
      EXPECT_EQ(TTempFolder::Read(temp.Path() / "lib" / "plugin.txt"), "fresh");
      EXPECT_EQ(now.size(), before.size() + 2);  // lib and lib/plugin.txt
    }
    for (const char* gone : {kStagingFolder, kBackupFolder, kJournalFile})
      EXPECT_FALSE(fs::exists(temp.Path() / gone)) << gone;

    // Put the old version back for the next round.
    if (now != before) {
      fs::remove_all(temp.Path() / "lib");
      TTempFolder::Write(temp.Path() / "readme.txt", "old readme");
      TTempFolder::Write(temp.Path() / program, Script("old-ran", "old"));
    }
    ASSERT_EQ(Snapshot(temp.Path()), before);
  }
  EXPECT_TRUE(completed);
  EXPECT_GT(oldSeen, 3);
  EXPECT_GT(newSeen, 0);

  // After a kill the hand-over is still there: the next updater run installs it.
  HandOver(package);
  vendor::TUpdaterOptions options = InProcess();
  options.beforeStep = [](int step) {
    if (step == 3)
      ::kill(::getpid(), SIGKILL);
  };
  test::TKilledChild child([&](int) {
    vendor::RunUpdater(options);
    return 0;
  });
  child.Rest();
  child.Kill();
  EXPECT_EQ(vendor::RunUpdater(InProcess()).result, vendor::TUpdaterResult::Installed);
  EXPECT_EQ(TTempFolder::Read(temp.Path() / "readme.txt"), "new readme");
}

TEST_F(UpdaterTest, WithoutALogOrWhileTheProgramRunsNothingIsInstalled) {
  HandOver(NewPackage());
  const TSnapshot before = Snapshot(temp.Path());
  vendor::TUpdaterOptions options = InProcess();
  options.waitMs = 50;
  options.pollMs = 5;
  options.isRunning = [](const std::string&) { return true; };
  EXPECT_EQ(vendor::RunUpdater(options).result, vendor::TUpdaterResult::StillRunning);
  EXPECT_EQ(Snapshot(temp.Path()), before);
  EXPECT_EQ(started, std::vector<std::string>{program});  // brings the running one forward
  EXPECT_TRUE(ReadUpdateFailure(temp.Path().string()));

  // Started by hand: nothing named, nothing started, nothing recorded.
  fs::remove(temp.Path() / "update-failed.txt");
  started.clear();
  for (const char* log : {"", "../elsewhere\r\n", "sub/prog\r\n"}) {
    HandOver(NewPackage());
    TTempFolder::Write(temp.Path() / "uplog.txt", log);
    EXPECT_EQ(vendor::RunUpdater(InProcess()).result, vendor::TUpdaterResult::NoLog) << log;
    EXPECT_FALSE(fs::exists(temp.Path() / "update.zip"));
  }
  fs::remove(temp.Path() / "uplog.txt");
  EXPECT_EQ(vendor::RunUpdater(InProcess()).result, vendor::TUpdaterResult::NoLog);
  EXPECT_TRUE(started.empty());
  EXPECT_EQ(Snapshot(temp.Path()), before);
}

TEST_F(UpdaterTest, TheUpdaterTellsItsVersionAndARenewalEndsOnlyTheOneBesideTheProgram) {
  EXPECT_EQ(UpdaterVersionOf((temp.Path() / "update").string()), vendor::kUpdaterVersion);
  // Offered its own version, the updater stays; offered a newer one, it goes.
  for (const auto& [offered, renewed] :
       {std::pair<std::string, bool>{vendor::kUpdaterVersion, false},
        {"1.0.0.1", false},
        {"9.0.0.0", true}}) {
    SCOPED_TRACE(offered);
    const std::string xml = "<c><version><vlmrupdate ver=\"" + offered +
                            "\">http://dl/up.zip</vlmrupdate></version></c>";
    auto doc = ReadConfigDocument(vendor::EncipherConfig(xml), (temp.Path() / "update").string());
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->info->UpdaterWanted, renewed);
    EXPECT_EQ(fs::exists(temp.Path() / "update"), !renewed);
  }
  // A file that cannot tell: the version of a file without a version resource.
  TTempFolder::Write(temp.Path() / "noversion", "#!/bin/sh\necho hello\n");
  fs::permissions(temp.Path() / "noversion", fs::perms::owner_all);
  EXPECT_EQ(UpdaterVersionOf((temp.Path() / "noversion").string()), "1.0.0.0");

  // Two running copies of one program named "update": the one beside the program and one
  // elsewhere.
  TTempFolder elsewhere;
  pid_t pids[2] = {-1, -1};
  const fs::path copies[2] = {temp.Path() / "sleeper" / "update", elsewhere.Path() / "update"};
  for (int i = 0; i < 2; ++i) {
    fs::create_directories(copies[i].parent_path());
    fs::copy_file("/bin/sleep", copies[i]);
    std::string path = copies[i].string();
    char* argv[] = {path.data(), const_cast<char*>("30"), nullptr};
    ASSERT_EQ(posix_spawn(&pids[i], path.c_str(), nullptr, nullptr, argv, environ), 0);
  }
  ASSERT_TRUE(QuicklyTrue([&] { return AnyProcessOfImage(copies[0].string()); }));
  // Offered a newer updater (the sleeper tells no version: 1.0.0.0).
  const std::string xml =
      "<c><version><vlmrupdate ver=\"1.0.0.3\">http://dl/up.zip</vlmrupdate></version></c>";
  auto doc = ReadConfigDocument(vendor::EncipherConfig(xml), copies[0].string());
  ASSERT_TRUE(doc);
  EXPECT_TRUE(doc->info->UpdaterWanted);
  EXPECT_FALSE(fs::exists(copies[0]));
  int status = 0;
  ASSERT_EQ(waitpid(pids[0], &status, 0), pids[0]);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(waitpid(pids[1], &status, WNOHANG), 0);  // still running
  EXPECT_TRUE(AnyProcessOfImage(copies[1].string()));
  ::kill(pids[1], SIGKILL);
  waitpid(pids[1], &status, 0);
  EXPECT_FALSE(AnyProcessOfImage(copies[1].string()));
}

TEST(UpdateInstallTest, HandsOverWithTheManifestOrGoesOnWhenTheUpdaterCannotStart) {
  TTempFolder temp;
  SetAppFolderOverride(temp.Path().string());
  std::vector<TProcessEnd> ends;
  SetProcessEndHookForTesting([&](TProcessEnd way) { ends.push_back(way); });
  TTempFolder::Write(temp.Path() / "uplog.txt", "an older log that is longer\r\n");
  TTempFolder::Write(temp.Path() / UpdaterFileName(), Script("updater-ran", "yes"));
  fs::permissions(temp.Path() / UpdaterFileName(), fs::perms::owner_all);
  TUpDateInfo info;
  info.PackageVersion = "1.6";
  info.PackageSha256 = std::string(64, 'a');
  info.PackageSig = "c2ln";
  bool trayHidden = false;
  EXPECT_TRUE(InstallUpdate(info, [&] {
    trayHidden = true;
    EXPECT_TRUE(ends.empty());
  }));
  EXPECT_TRUE(trayHidden);
  EXPECT_EQ(ends, std::vector<TProcessEnd>{TProcessEnd::ByName});
  EXPECT_EQ(TTempFolder::Read(temp.Path() / "uplog.txt"), ExeFileName() + "\r\n");
  auto manifest = ParseManifestFile(TTempFolder::Read(temp.Path() / "update.manifest"));
  ASSERT_TRUE(manifest);
  EXPECT_EQ(manifest->version, "1.6");
  EXPECT_EQ(manifest->sha256, info.PackageSha256);
  EXPECT_EQ(manifest->signature, "c2ln");
  EXPECT_EQ(manifest->installed, "1.5");
  EXPECT_TRUE(WaitForFile(temp.Path() / "updater-ran"));
  EXPECT_EQ(UpdaterFileName(), "update");

  // Without an updater on disk the program does not end: nothing is left behind, the failure
  // is recorded (the update window tells it), and the version waits for another day.
  fs::remove(temp.Path() / UpdaterFileName());
  TTempFolder::Write(temp.Path() / "update.zip", "package");
  EXPECT_FALSE(InstallUpdate(info, [] { ADD_FAILURE() << "ended"; }));
  EXPECT_EQ(ends.size(), 1u);
  for (const char* gone : {"update.zip", "update.manifest", "uplog.txt"})
    EXPECT_FALSE(fs::exists(temp.Path() / gone)) << gone;
  EXPECT_TRUE(FailedOn(temp.Path().string(), "1.6", TodayText()));
  SetProcessEndHookForTesting({});
  SetAppFolderOverride("");
}

TEST(UpdateNoticeTest, AFailureIsToldOnceAndAnInterruptedInstallIsUndoneAtStart) {
  TTempFolder temp;
  SetAppFolderOverride(temp.Path().string());
  EXPECT_FALSE(UpdateNoticeAtStart());
  WriteUpdateFailure(temp.Path().string(),
                     {"1.6", TodayText(), Utf8ToGbk("升级包校验失败"), false});
  EXPECT_EQ(UpdateNoticeAtStart(), Utf8ToGbk("升级失败：升级包校验失败，已恢复原版本"));
  EXPECT_FALSE(UpdateNoticeAtStart());
  EXPECT_TRUE(FailedOn(temp.Path().string(), "1.6", TodayText()));

  // An updater killed half way: the program's start puts the old file back and says so.
  TTempFolder::Write(temp.Path() / "prog", "old");
  fs::create_directories(temp.Path() / kStagingFolder);
  TTempFolder::Write(temp.Path() / kStagingFolder / "prog", "new");
  TPackageSwap swap{temp.Path().string(), (temp.Path() / kStagingFolder).string(), "prog",
                    [](int step) {
                      if (step == 3)
                        throw 1;  // stops the run where a kill would
                    }};
  EXPECT_ANY_THROW(InstallPackage(swap));
  EXPECT_EQ(TTempFolder::Read(temp.Path() / "prog"), "new");
  ASSERT_TRUE(UpdateNoticeAtStart());
  EXPECT_EQ(TTempFolder::Read(temp.Path() / "prog"), "old");
  EXPECT_FALSE(fs::exists(temp.Path() / kJournalFile));
  SetAppFolderOverride("");
}

}  // namespace
}  // namespace vlmr
