#include "platform/ProfileFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "base/Text.h"
#include "platform/FileIo.h"
#include "platform/ProfileText.h"
#include "platform/TempFolder.h"

namespace vlmr {
namespace {

using test::ReadFileText;
using test::WriteFileText;

const std::string kSample =
    "; settings\r\n"
    "  [Config]  \r\n"
    "First = 1\r\n"
    "p=\"  abc \"\r\n"
    "q='x'\r\n"
    "r=\"unbalanced\r\n"
    "mixed=\"a'\r\n"
    "Empty=\r\n"
    "spaced   =   two words  \r\n"
    "Junk=12abc\r\n"
    "Neg=-7\r\n"
    "Plus=+3\r\n"
    "Big=99999999999\r\n"
    "Edge=-2147483648\r\n"
    "NotNum=abc\r\n"
    "Sign=-\r\n"
    "Quoted=\"42\"\r\n"
    "NoEquals\r\n"
    ";hidden=5\r\n"
    "  ;alsohidden=6\r\n"
    "url=http://a/?x=1;y=2\r\n"
    "\r\n"
    "[config]\r\n"
    "first=0\r\n"
    "second=2\r\n"
    "[open\r\n"
    "k=v\r\n";

class ProfileFileTest : public ::testing::Test {
 protected:
  void SetUp() override { path_ = folder_ / "kqclient.cfg"; }
  std::string path_;
  test::TTempFolder folder_;
};

TEST_F(ProfileFileTest, ReadsStringsLikeTheProfileFunctions) {
  WriteFileText(path_, kSample + "[" + Utf8ToGbk("其他") + "]\r\n" + Utf8ToGbk("键=值") + "\r\n");
  TProfileFile ini(path_);
  struct Case {
    std::string section, key, expected;
  } cases[] = {
      {"config", "first", "1"},  // section and key without regard to case
      {"CONFIG", "FIRST", "1"},
      {"config", "p", "  abc "},          // one pair of quotes removed, inside kept
      {"config", "q", "x"},               // single quotes too
      {"config", "r", "\"unbalanced"},    // a lone quote stays
      {"config", "mixed", "\"a'"},        // quotes must match
      {"config", "empty", ""},            // present but empty: not the default
      {"config", "spaced", "two words"},  // key and value trimmed
      {"config", "second", "<def>"},      // a repeated section does not count
      {"config", "hidden", "<def>"},      // comments are not keys
      {"config", "alsohidden", "<def>"},
      {"config", "NoEquals", "<def>"},
      {"config", "url", "http://a/?x=1;y=2"},  // no inline comments
      {"open", "k", "v"},                      // header without "]"
      {"missing", "first", "<def>"},
      {"config", "missing", "<def>"},
      {Utf8ToGbk("其他"), Utf8ToGbk("键"), Utf8ToGbk("值")},  // GBK bytes as they are
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ini.ReadString(c.section, c.key, "<def>"), c.expected)
        << "[" << c.section << "] " << c.key;
  }
}

TEST_F(ProfileFileTest, ReadsIntegersWithDefaults) {
  WriteFileText(path_, kSample);
  TProfileFile ini(path_);
  struct Case {
    std::string key;
    int expected;
  } cases[] = {
      {"first", 1},    {"Junk", 12}, {"Neg", -7},   {"Plus", 3},    {"Big", 55},
      {"NotNum", 55},  {"Sign", 55}, {"Empty", 55}, {"Quoted", 42}, {"Edge", -2147483647 - 1},
      {"missing", 55},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ini.ReadInteger("config", c.key, 55), c.expected) << c.key;
  }
  EXPECT_TRUE(ini.ReadBool("config", "first", false));
  EXPECT_TRUE(ini.ReadBool("config", "missing", true));
  EXPECT_FALSE(ini.ReadBool("config", "missing", false));
  EXPECT_TRUE(ini.ReadBool("config", "NotNum", true));  // not a number: the default
}

TEST_F(ProfileFileTest, MissingFileGivesDefaultsAndFirstWriteCreatesIt) {
  TProfileFile ini(path_);
  EXPECT_EQ(ini.ReadString("config", "p", "d"), "d");
  EXPECT_FALSE(ini.ReadBool("config", "first", false));
  EXPECT_TRUE(ini.ReadSection("config").empty());
  EXPECT_FALSE(test::Exists(path_));

  ASSERT_TRUE(ini.WriteBool("config", "first", true));
  EXPECT_EQ(ReadFileText(path_), "[config]\r\nfirst=1\r\n");
  ASSERT_TRUE(ini.WriteString("config", "p", " spaced "));
  EXPECT_EQ(ReadFileText(path_), "[config]\r\nfirst=1\r\np= spaced \r\n");
  EXPECT_TRUE(ini.ReadBool("config", "first", false));
}

TEST_F(ProfileFileTest, WritesChangeOnlyTheirLineAndKeepLineEnds) {
  struct Case {
    const char* name;
    std::string before;
    std::string section, key, value;
    std::string after;
  } cases[] = {
      {"replace keeps the key's spelling", "a=1\r\n[Config]\r\n;c\r\nFirst = 0\r\nx=y\r\n",
       "config", "first", "1", "a=1\r\n[Config]\r\n;c\r\nFirst=1\r\nx=y\r\n"},
      {"LF file stays LF", "[s]\nk=1\n\n[t]\nz=2\n", "t", "k", "3", "[s]\nk=1\n\n[t]\nz=2\nk=3\n"},
      {"new key goes after the section's last key", "[s]\nk=1\n\n; about t\n[t]\nz=2\n", "s", "n",
       "v", "[s]\nk=1\nn=v\n\n; about t\n[t]\nz=2\n"},
      {"new key in an empty section", "[s]\n[t]\n", "s", "k", "v", "[s]\nk=v\n[t]\n"},
      {"new section at the end", "[s]\r\nk=1\r\n", "T", "k", "2", "[s]\r\nk=1\r\n[T]\r\nk=2\r\n"},
      {"last line without line end", "[s]\nk=1", "s", "n", "2", "[s]\nk=1\nn=2\n"},
      {"no line end at all: CR LF", "[s]", "s", "n", "2", "[s]\r\nn=2\r\n"},
      {"mixed line ends are kept", "[s]\r\na=1\nb=2\r\n", "s", "a", "9", "[s]\r\na=9\nb=2\r\n"},
      {"byte-order mark kept", "\xEF\xBB\xBF[s]\nk=1\n", "s", "k", "2", "\xEF\xBB\xBF[s]\nk=2\n"},
      {"only the first of a repeated key", "[s]\nk=1\nk=2\n", "s", "K", "3", "[s]\nk=3\nk=2\n"},
      {"a rewritten line loses its spacing", "[s]\n k = 1 \n", "s", "k", " 1 ", "[s]\nk= 1 \n"},
  };
  for (const Case& c : cases) {
    WriteFileText(path_, c.before);
    TProfileFile ini(path_);
    ASSERT_TRUE(ini.WriteString(c.section, c.key, c.value)) << c.name;
    EXPECT_EQ(ReadFileText(path_), c.after) << c.name;
    EXPECT_EQ(ini.ReadString(c.section, c.key, "<def>"), Trim(c.value)) << c.name;
  }
}

TEST_F(ProfileFileTest, RefusesWritesThatWouldNotReadBack) {
  const std::string before = "[s]\r\nk=1\r\n";
  WriteFileText(path_, before);
  TProfileFile ini(path_);
  struct Case {
    std::string section, key, value;
  } cases[] = {
      {"s", "k", "1\r\n[evil]\r\nx=1"},
      {"s", "k", "a\nb"},
      {"s", "k=x", "1"},
      {"s", "", "1"},
      {"s", ";k", "1"},
      {"s", "[k", "1"},
      {"a]b", "k", "1"},
      {"", "k", "1"},
      {"s\n", "k", "1"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(ini.WriteString(c.section, c.key, c.value)) << c.section << "/" << c.key;
  }
  EXPECT_EQ(ReadFileText(path_), before);
}

TEST_F(ProfileFileTest, AnUnreadableFileIsNeverReplaced) {
  // Larger than any settings file may be: read as absent, and a write must not wipe it.
  WriteFileText(path_, "[s]\nk=1\n");
  ASSERT_EQ(truncate(path_.c_str(), 17 << 20), 0);
  TProfileFile ini(path_);
  EXPECT_EQ(ini.ReadString("s", "k", "d"), "d");
  EXPECT_FALSE(ini.WriteString("s", "k", "2"));
  EXPECT_FALSE(ini.DeleteKey("s", "k"));
  EXPECT_EQ(ReadFileText(path_).substr(0, 8), "[s]\nk=1\n");

  TProfileFile folderAsFile(folder_.Path());
  EXPECT_FALSE(folderAsFile.WriteString("s", "k", "1"));
  TProfileFile noFolder(folder_ / "missing/kqclient.cfg");
  EXPECT_FALSE(noFolder.WriteString("s", "k", "1"));
}

TEST_F(ProfileFileTest, ReplacesTheFileWholeKeepingModeAndLinks) {
  WriteFileText(path_, "[s]\nk=1\n");
  ASSERT_EQ(chmod(path_.c_str(), 0640), 0);
  const std::string link = folder_ / "link.cfg";
  ASSERT_EQ(symlink(path_.c_str(), link.c_str()), 0);

  TProfileFile viaLink(link);
  ASSERT_TRUE(viaLink.WriteString("s", "k", "2"));
  EXPECT_EQ(ReadFileText(path_), "[s]\nk=2\n");
  EXPECT_EQ(test::ModeOf(path_), 0640u);
  struct stat st {};
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(test::EntryCount(folder_.Path()), 2u);  // no temporary file left behind
}

TEST_F(ProfileFileTest, AWriteClearsTemporaryFilesThatKilledWritersLeft) {
  WriteFileText(path_, "[s]\nk=1\n");
  // A process id above the system's limit belongs to no process; this process's own is alive.
  long pidMax = 4194304;
  std::ifstream("/proc/sys/kernel/pid_max") >> pidMax;
  const std::string orphan = folder_ / (".vlmr-tmp-" + std::to_string(pidMax + 1) + "-0");
  const std::string live = folder_ / (".vlmr-tmp-" + std::to_string(getpid()) + "-999");
  const std::string other = folder_ / (".other.cfg.tmp-" + std::to_string(pidMax + 1) + "-0");
  for (const std::string& f : {orphan, live, other})
    WriteFileText(f, "half");

  ASSERT_TRUE(TProfileFile(path_).WriteString("s", "k", "2"));
  EXPECT_FALSE(std::filesystem::exists(orphan));
  EXPECT_TRUE(std::filesystem::exists(live));   // a writer that may still be at work
  EXPECT_TRUE(std::filesystem::exists(other));  // not one of ours
  EXPECT_EQ(ReadFileText(path_), "[s]\nk=2\n");
}

TEST_F(ProfileFileTest, AFileWhoseNameIsAtTheSystemsLimitIsReplacedToo) {
  // Names of 242 to 255 bytes are valid; the temporary file beside them must fit as well.
  const std::size_t before = test::EntryCount(folder_.Path());
  for (std::size_t length : {242u, 255u}) {
    const std::string path = folder_ / std::string(length, 'n');
    ASSERT_TRUE(ReplaceFile(path, "first")) << length;
    ASSERT_TRUE(ReplaceFile(path, "second")) << length;
    EXPECT_EQ(ReadFileText(path), "second");
    std::filesystem::remove(path);
  }
  EXPECT_EQ(test::EntryCount(folder_.Path()), before);
}

TEST_F(ProfileFileTest, TwoObjectsOnOneFileAgree) {
  TProfileFile a(path_), b(path_);
  ASSERT_TRUE(a.WriteString("config", "p", "one"));
  EXPECT_EQ(b.ReadString("config", "p", ""), "one");
  ASSERT_TRUE(b.WriteInteger("config", "n", -12));
  EXPECT_EQ(a.ReadInteger("config", "n", 0), -12);
  EXPECT_EQ(a.ReadString("config", "p", ""), "one");
}

TEST_F(ProfileFileTest, ConcurrentWritersLoseNothing) {
  auto writer = [this](char tag) {
    TProfileFile ini(path_);
    for (int i = 0; i < 40; ++i) {
      ini.WriteInteger("s", std::string(1, tag) + std::to_string(i), i);
    }
  };
  std::thread t1(writer, 'a'), t2(writer, 'b');
  t1.join();
  t2.join();
  TProfileFile ini(path_);
  for (char tag : {'a', 'b'}) {
    for (int i = 0; i < 40; ++i) {
      EXPECT_EQ(ini.ReadInteger("s", std::string(1, tag) + std::to_string(i), -1), i);
    }
  }
}

TEST_F(ProfileFileTest, DeletesKeysAndSectionsAndListsKeys) {
  WriteFileText(path_, "[a]\nx=1\n; note\ny=2\n[b]\nz=3\n[A]\nw=4\n");
  TProfileFile ini(path_);
  EXPECT_EQ(ini.ReadSection("A"), (std::vector<std::string>{"x", "y"}));

  ASSERT_TRUE(ini.DeleteKey("A", "X"));
  EXPECT_EQ(ReadFileText(path_), "[a]\n; note\ny=2\n[b]\nz=3\n[A]\nw=4\n");
  ASSERT_TRUE(ini.DeleteKey("a", "nothing"));
  ASSERT_TRUE(ini.DeleteKey("nothing", "y"));

  ASSERT_TRUE(ini.EraseSection("a"));  // every section of that name
  EXPECT_EQ(ReadFileText(path_), "[b]\nz=3\n");
  TProfileFile missing(folder_ / "none.cfg");
  EXPECT_TRUE(missing.DeleteKey("a", "b"));
  EXPECT_TRUE(missing.EraseSection("a"));
  EXPECT_FALSE(test::Exists(folder_ / "none.cfg"));
}

TEST(ProfileTextTest, SetThenFindRoundTripsOnOddInput) {
  // Text without sections, stray CRs, NUL bytes and keys before any section.
  using namespace std::string_literals;
  const std::string odd = "k=1\r\r\n\0x=\n[\n=v\n[s"s;
  TProfileText text(odd);
  text.Set("s", "k", "\"q\"");
  text.Set("new", "k", "2");
  TProfileText again(text.Render());
  EXPECT_EQ(again.Find("s", "k"), "q");
  EXPECT_EQ(again.Find("new", "k"), "2");
  EXPECT_EQ(again.Render().substr(0, odd.size()), odd);
}

}  // namespace
}  // namespace vlmr
