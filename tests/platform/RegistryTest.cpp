#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/Text.h"
#include "platform/TempFolder.h"
#include "platform/UserFolders.h"

namespace vlmr {
namespace {

constexpr const char* kInstallKey = "HKEY_CURRENT_USER\\SOFTWARE\\tarnwelt\\vlmr";

class UserFoldersFixture : public ::testing::Test {
 protected:
  void SetUp() override { SetUserFoldersRootForTesting(home_.Path()); }
  void TearDown() override { SetUserFoldersRootForTesting(""); }
  test::TTempFolder home_;
};

using RegistryTest = UserFoldersFixture;
using ShellFolderTest = UserFoldersFixture;
using UserFoldersTest = UserFoldersFixture;

TEST_F(UserFoldersTest, AnswersFoldersUnderTheTestRoot) {
  EXPECT_EQ(HomeFolder(), home_.Path());
  EXPECT_EQ(UserConfigFolder(), home_ / ".config");
  EXPECT_EQ(UserRuntimeFolder(), home_ / ".run");
  EXPECT_EQ(test::ModeOf(home_ / ".run"), 0700u);

  // A runtime folder that others may enter is made private again.
  ASSERT_EQ(chmod((home_ / ".run").c_str(), 0755), 0);
  EXPECT_EQ(UserRuntimeFolder(), home_ / ".run");
  EXPECT_EQ(test::ModeOf(home_ / ".run"), 0700u);
}

TEST_F(UserFoldersTest, ARuntimeFolderThatIsALinkIsRefused) {
  test::TTempFolder elsewhere;
  ASSERT_EQ(symlink(elsewhere.Path().c_str(), (home_ / ".run").c_str()), 0);
  EXPECT_EQ(UserRuntimeFolder(), "");
}

TEST_F(RegistryTest, ValuesReadBackExactly) {
  const std::string values[] = {
      "/opt/vlmr/vlmr",    "  leading and trailing  ",        "\"quoted\"", "'single'", "\"", "",
      "semi;colon=equals", Utf8ToGbk("/home/用户/软件/vlmr"),
  };
  for (const std::string& value : values) {
    ASSERT_TRUE(WriteRegistryString(kInstallKey, "install", value)) << value;
    EXPECT_EQ(ReadRegistryString(kInstallKey, "install"), value) << value;
  }
  EXPECT_TRUE(test::Exists(home_ / ".config/vlmr/registry.ini"));
}

TEST_F(RegistryTest, KeysAndNamesIgnoreCaseAndMissingOnesAreEmpty) {
  EXPECT_EQ(ReadRegistryString(kInstallKey, "install"), std::nullopt);  // no store yet

  ASSERT_TRUE(WriteRegistryString(kInstallKey, "install", "/a/vlmr"));
  ASSERT_TRUE(WriteRegistryString("HKEY_CURRENT_USER\\Software\\other", "install", "/b"));
  EXPECT_EQ(ReadRegistryString("hkey_current_user\\software\\TARNWELT\\VLMR", "INSTALL"),
            "/a/vlmr");
  EXPECT_EQ(ReadRegistryString(kInstallKey, "missing"), std::nullopt);
  EXPECT_EQ(ReadRegistryString("HKEY_CURRENT_USER\\SOFTWARE\\none", "install"), std::nullopt);

  ASSERT_TRUE(WriteRegistryString(kInstallKey, "install", "/c/vlmr"));
  EXPECT_EQ(ReadRegistryString(kInstallKey, "install"), "/c/vlmr");
  EXPECT_EQ(ReadRegistryString("HKEY_CURRENT_USER\\Software\\other", "install"), "/b");
}

TEST_F(RegistryTest, RefusesWhatTheStoreCannotHold) {
  ASSERT_TRUE(WriteRegistryString(kInstallKey, "install", "/a"));
  EXPECT_FALSE(WriteRegistryString(kInstallKey, "install", "/a\n[x]\ninstall=/evil"));
  EXPECT_FALSE(WriteRegistryString("bad]key", "install", "/a"));
  EXPECT_FALSE(WriteRegistryString(kInstallKey, "a=b", "/a"));
  EXPECT_EQ(ReadRegistryString(kInstallKey, "install"), "/a");

  // A store folder that cannot be made is a failure, not a crash.
  test::TTempFolder other;
  SetUserFoldersRootForTesting(other.Path());
  test::WriteFileText(other / ".config", "a file where the folder should be");
  EXPECT_FALSE(WriteRegistryString(kInstallKey, "install", "/b"));
  EXPECT_EQ(ReadRegistryString(kInstallKey, "install"), std::nullopt);
}

TEST_F(ShellFolderTest, DesktopFromUserDirsThenHomeDesktop) {
  test::TTempFolder absolute;
  struct Case {
    const char* name;
    std::string userDirs;  // empty: no user-dirs.dirs
    std::vector<std::string> folders;
    std::string expected;  // "~" stands for the test home
  } cases[] = {
      {"user dirs relative to home",
       "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n",
       {"Schreibtisch", "Desktop"},
       "~/Schreibtisch"},
      {"braced home, trailing slash",
       "XDG_DESKTOP_DIR=\"${HOME}/Bureau/\"\n",
       {"Bureau"},
       "~/Bureau"},
      {"absolute path", "XDG_DESKTOP_DIR=\"" + absolute.Path() + "\"\n", {}, absolute.Path()},
      {"escapes",
       "XDG_DESKTOP_DIR=\"$HOME/my \\\"desk\\\" \\$x\"\n",
       {"my \"desk\" $x"},
       "~/my \"desk\" $x"},
      {"comments and other keys",
       "# XDG_DESKTOP_DIR=\"$HOME/no\"\nXDG_MUSIC_DIR=\"$HOME/m\"\n",
       {"no", "m", "Desktop"},
       "~/Desktop"},
      {"the last assignment counts",
       "XDG_DESKTOP_DIR=\"$HOME/one\"\nXDG_DESKTOP_DIR=\"$HOME/two\"\n",
       {"one", "two"},
       "~/two"},
      {"user dirs folder missing", "XDG_DESKTOP_DIR=\"$HOME/gone\"\n", {"Desktop"}, "~/Desktop"},
      {"desktop disabled", "XDG_DESKTOP_DIR=\"$HOME/\"\n", {"Desktop"}, "~/Desktop"},
      {"unknown variable", "XDG_DESKTOP_DIR=\"$OTHER/d\"\n", {}, ""},
      {"relative path", "XDG_DESKTOP_DIR=\"desk\"\n", {"desk"}, ""},
      {"unterminated quote", "XDG_DESKTOP_DIR=\"$HOME/desk\n", {"desk"}, ""},
      {"no user dirs, home desktop", "", {"Desktop"}, "~/Desktop"},
      {"nothing at all", "", {}, ""},
  };
  for (const Case& c : cases) {
    test::TTempFolder home;
    SetUserFoldersRootForTesting(home.Path());
    ASSERT_EQ(mkdir((home / ".config").c_str(), 0700), 0);
    if (!c.userDirs.empty()) {
      test::WriteFileText(home / ".config/user-dirs.dirs", c.userDirs);
    }
    for (const std::string& f : c.folders) {
      ASSERT_EQ(mkdir((home / f).c_str(), 0755), 0) << f;
    }
    std::string expected = c.expected;
    if (expected.rfind("~", 0) == 0)
      expected = home.Path() + expected.substr(1);
    EXPECT_EQ(ReadShellFolder("Desktop"), expected) << c.name;
  }
}

TEST_F(ShellFolderTest, OnlyTheDesktopIsKnown) {
  ASSERT_EQ(mkdir((home_ / "Desktop").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((home_ / "Personal").c_str(), 0755), 0);
  EXPECT_EQ(ReadShellFolder("desktop"), home_ / "Desktop");
  EXPECT_EQ(ReadShellFolder("Personal"), "");
  EXPECT_EQ(ReadShellFolder(""), "");
}

}  // namespace
}  // namespace vlmr
