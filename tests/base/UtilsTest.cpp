#include <gtest/gtest.h>

#include "base/Text.h"
#include "base/Utils.h"

namespace vlmr {
namespace {

TEST(Utils, IncludeTrailingDelimiter) {
  // 0x5C as the second byte of a double-byte character is not a backslash.
  const std::string endsInTrail = "C:\\\x95\x5C";
  struct Case {
    std::string path;
    char delim;
    std::string expected;
  } cases[] = {
      {"C:\\dir", '\\', "C:\\dir\\"},
      {"C:\\dir\\", '\\', "C:\\dir\\"},
      {"", '\\', ""},
      {"   ", '\\', "   "},
      {endsInTrail, '\\', endsInTrail + "\\"},
      {"/tmp/x", '/', "/tmp/x/"},
      {"/tmp/x/", '/', "/tmp/x/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IncludeTrailingDelimiter(c.path, c.delim), c.expected) << c.path;
  }
  EXPECT_EQ(IncludeBackslash("/opt/vlmr"), std::string("/opt/vlmr") + kPathDelim);
}

TEST(Utils, ProgramPaths) {
  EXPECT_EQ(AppFolder().back(), kPathDelim);
  EXPECT_EQ(ExeFileName(), "base_tests");
  EXPECT_EQ(AppFolder() + ExeFileName(), ExePath());
  SetAppFolderOverride("/tmp/elsewhere");
  EXPECT_EQ(AppFolder(), "/tmp/elsewhere/");
  SetAppFolderOverride("");
  EXPECT_EQ(AppFolder() + ExeFileName(), ExePath());
}

TEST(Utils, TextBeforeAndAfterLast) {
  EXPECT_EQ(TextBeforeLast("abc", '.'), "abc");
  EXPECT_EQ(TextBeforeLast("a.b.c", '.'), "a.b");
  EXPECT_EQ(TextBeforeLast(".x", '.'), "");
  EXPECT_EQ(TextAfterLast("C:\\dir\\x.exe", '\\', ""), "x.exe");
  EXPECT_EQ(TextAfterLast("x.exe", '\\', "y"), "y");
  EXPECT_EQ(TextAfterLast("dir\\", '\\', "y"), "");
  // A byte scan: the second byte 0x5C of a double-byte character counts.
  EXPECT_EQ(TextAfterLast("a\x95\x5C"
                          "b",
                          '\\', "y"),
            "b");
}

TEST(Utils, ShortenText) {
  std::string ascii40(40, 'a');
  // Byte 34 (from 1) starts a double-byte character: keep 33 bytes.
  std::string cutInChar = std::string(33, 'a') + "\xD6\xD0" + std::string(5, 'b');
  std::string exactly34 = std::string(32, 'a') + "\xD6\xD0";
  // Byte 34 is the second byte of a character that began at 33: keep 34 bytes.
  std::string trailAt34 = std::string(32, 'a') + "\xD6\xD0" + "zzz";
  struct Case {
    std::string text;
    int limit;
    std::string expected;
  } cases[] = {
      {ascii40, 34, std::string(34, 'a') + "..."},
      {cutInChar, 34, std::string(33, 'a') + "..."},
      {exactly34, 34, exactly34},
      {trailAt34, 34, exactly34 + "..."},
      {"", 0, ""},
      {"abc", 3, "abc"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShortenText(c.text, c.limit), c.expected) << c.text;
  }
}

TEST(Utils, AppendWithSeparator) {
  std::string acc;
  EXPECT_EQ(AppendWithSeparator(acc, "a", "|"), "a");
  EXPECT_EQ(AppendWithSeparator(acc, "b", "|"), "a|b");
  EXPECT_EQ(acc, "a|b");
}

TEST(Utils, UrlEncode) {
  EXPECT_EQ(UrlEncode("a b/\xD6\xD0", false), "a%20b/%D6%D0");
  EXPECT_EQ(UrlEncode("a b", true), "a+b");
  EXPECT_EQ(UrlEncode("http://x.cn/a_b-c.html?q=1&r", false), "http://x.cn/a_b-c.html%3Fq%3D1%26r");
  EXPECT_EQ(UrlEncode("~*'()", false), "%7E%2A%27%28%29");
}

TEST(Utils, IsNewerVersion) {
  struct Case {
    const char* candidate;
    const char* installed;
    bool newer;
  } cases[] = {
      {"1.2.10.0", "1.2.9.9", true}, {"1.2", "1.2.0.0", false}, {"1.0.0.0", "1.0.0.0", false},
      {"1.6", "1.5", true},          {"1.4", "1.5", false},     {"2.x", "2.0", false},
      {"2.1", "2.x", true},          {"", "", false},           {"1.5.1", "1.5", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsNewerVersion(c.candidate, c.installed), c.newer)
        << c.candidate << " vs " << c.installed;
  }
}

TEST(Utils, FormatStoredTime) {
  struct Case {
    long long seconds;
    const char* text;
  } cases[] = {
      {0, "1970-01-01 00:00:00"},          {86399, "1970-01-01 23:59:59"},
      {951782400, "2000-02-29 00:00:00"},  // leap day
      {1797003330, "2026-12-11 15:35:30"}, {-1, "1969-12-31 23:59:59"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatStoredTime(c.seconds), c.text) << c.seconds;
}

}  // namespace
}  // namespace vlmr
