#include "platform/Shortcut.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/Text.h"
#include "platform/TempFolder.h"

namespace vlmr {
namespace {

TEST(ShortcutTest, WritesALauncherWithTheRunBit) {
  test::TTempFolder folder;
  const std::string link = folder / "vlmr.desktop";
  CreateShortcutFile("/opt/vlmr/vlmr", "", link, "vlmr");
  EXPECT_EQ(test::ReadFileText(link),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=vlmr\n"
            "Comment=vlmr\n"
            "Exec=\"/opt/vlmr/vlmr\"\n"
            "Path=/opt/vlmr\n"
            "Terminal=false\n");
  EXPECT_EQ(test::ModeOf(link), 0755u);
  EXPECT_EQ(test::EntryCount(folder.Path()), 1u);
}

TEST(ShortcutTest, QuotesTheCommandAndEscapesValues) {
  struct Case {
    const char* name;
    std::string target, arguments, description;
    std::string exec, nameLine, path;
  } cases[] = {
      {"blanks in the path", "/opt/my apps/vlmr", "", "vlmr", "Exec=\"/opt/my apps/vlmr\"",
       "Name=vlmr", "Path=/opt/my apps"},
      {"reserved characters", "/o/a\"b`c$d\\e%f", "", "x",
       // inside the quotes \" \` \$ \\ and %%, then every backslash doubled for the file
       "Exec=\"/o/a\\\\\"b\\\\`c\\\\$d\\\\\\\\e%%f\"", "Name=x", "Path=/o"},
      {"arguments follow, percent doubled", "/opt/vlmr", "--x 50%", "d",
       "Exec=\"/opt/vlmr\" --x 50%%", "Name=d", "Path=/opt"},
      {"GBK description becomes UTF-8", "/opt/v", "", Utf8ToGbk("采集器"), "Exec=\"/opt/v\"",
       "Name=采集器", "Path=/opt"},
      {"UTF-8 description stays", "/opt/v", "", "采集器", "Exec=\"/opt/v\"", "Name=采集器",
       "Path=/opt"},
      {"target in the root", "/vlmr", "", "v", "Exec=\"/vlmr\"", "Name=v", "Path=/"},
  };
  for (const Case& c : cases) {
    test::TTempFolder folder;
    const std::string link = folder / "v.desktop";
    CreateShortcutFile(c.target, c.arguments, link, c.description);
    const std::string text = test::ReadFileText(link);
    EXPECT_NE(text.find("\n" + c.exec + "\n"), std::string::npos) << c.name << "\n" << text;
    EXPECT_NE(text.find("\n" + c.nameLine + "\n"), std::string::npos) << c.name << "\n" << text;
    EXPECT_NE(text.find("\n" + c.path + "\n"), std::string::npos) << c.name << "\n" << text;
  }
}

TEST(ShortcutTest, OnlyTheLauncherExtensionWritesAFile) {
  struct Case {
    const char* link;
    bool written;
  } cases[] = {
      {"a.desktop", true},      {"b.DESKTOP", true},   {"c.Desktop", true},
      {"d.lnk", false},         {"e", false},          {"fdesktop", false},
      {"g.desktop.bak", false}, {"h.desktop/", false}, {"dir.desktop/i", false},
  };
  for (const Case& c : cases) {
    test::TTempFolder folder;
    ASSERT_EQ(mkdir((folder / "dir.desktop").c_str(), 0755), 0);
    CreateShortcutFile("/opt/vlmr/vlmr", "", folder / c.link, "vlmr");
    EXPECT_EQ(test::EntryCount(folder.Path()), c.written ? 2u : 1u) << c.link;
    EXPECT_EQ(test::EntryCount(folder / "dir.desktop"), 0u) << c.link;
  }
}

TEST(ShortcutTest, AFailureLeavesNothing) {
  test::TTempFolder folder;
  CreateShortcutFile("/opt/vlmr", "", folder / "missing/v.desktop", "v");
  EXPECT_EQ(test::EntryCount(folder.Path()), 0u);

  // A folder in the way of the link: the rename fails and the temporary file goes.
  ASSERT_EQ(mkdir((folder / "taken.desktop").c_str(), 0755), 0);
  CreateShortcutFile("/opt/vlmr", "", folder / "taken.desktop", "v");
  EXPECT_EQ(test::EntryCount(folder.Path()), 1u);

  // A line break would smuggle in keys of its own.
  CreateShortcutFile("/opt/vlmr\nExec=/bin/evil", "", folder / "v.desktop", "v");
  CreateShortcutFile("/opt/vlmr", "\nExec=/bin/evil", folder / "v.desktop", "v");
  EXPECT_FALSE(test::Exists(folder / "v.desktop"));

  CreateShortcutFile("/opt/vlmr", "", folder / "n.desktop", "two\nlines");
  EXPECT_NE(test::ReadFileText(folder / "n.desktop").find("\nName=two\\nlines\n"),
            std::string::npos);
}

TEST(ShortcutTest, ReplacesAnEarlierShortcut) {
  test::TTempFolder folder;
  const std::string link = folder / "v.desktop";
  test::WriteFileText(link, "old");
  CreateShortcutFile("/opt/new/vlmr", "", link, "v");
  EXPECT_NE(test::ReadFileText(link).find("Exec=\"/opt/new/vlmr\""), std::string::npos);
  EXPECT_EQ(test::ModeOf(link), 0755u);
}

}  // namespace
}  // namespace vlmr
