#include "net/ZipUnpack.h"

#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>

#include <filesystem>
#include <set>

#include "net/FileCrc32.h"
#include "support/TempFolder.h"
#include "support/ZipBuilder.h"

namespace vlmr {
namespace {

namespace fs = std::filesystem;
using test::TTempFolder;
using test::TZipBuilder;
using test::TZipEntry;

fs::path U8(const char* utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8)));
}

// Every path below `root`, relative, "/"-separated.
std::set<std::string> Tree(const fs::path& root) {
  std::set<std::string> paths;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    paths.insert(e.path().lexically_relative(root).generic_string());
  }
  return paths;
}

// A deflated archive written by libzip: the kind a real packer makes.
void WriteLibzipArchive(const std::string& path,
                        const std::vector<std::pair<std::string, std::string>>& files) {
  int error = 0;
  zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(za, nullptr);
  for (const auto& [name, data] : files) {
    if (name.back() == '/') {
      ASSERT_GE(zip_dir_add(za, name.c_str(), ZIP_FL_ENC_UTF_8), 0);
      continue;
    }
    zip_source_t* src = zip_source_buffer(za, data.data(), data.size(), 0);
    ASSERT_NE(src, nullptr);
    zip_int64_t index = zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_UTF_8);
    ASSERT_GE(index, 0);
    zip_set_file_compression(za, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 9);
  }
  ASSERT_EQ(zip_close(za), 0);
}

class ZipUnpackTest : public ::testing::Test {
 protected:
  TTempFolder temp;
  fs::path dest = temp.Path() / "out";
  std::string archive = temp.File("in.zip");

  void SetUp() override { fs::create_directory(dest); }
};

TEST_F(ZipUnpackTest, RecreatesFoldersAndReplacesExistingFiles) {
  fs::create_directories(dest / "sub");
  TTempFolder::Write(dest / "sub" / "a.txt", "old copy");
  TTempFolder::Write(dest / "keep.txt", "untouched");
  std::string big(300'000, 'q');
  WriteLibzipArchive(archive, {{"sub/", ""},
                               {"sub/a.txt", "new copy"},
                               {"update.exe", big},
                               {"deep/er/x.bin", std::string("\0\1\2", 3)},
                               {"empty/", ""}});
  ASSERT_EQ(UnpackZip(archive, dest.string()), TUnpackResult::Ok);
  EXPECT_EQ(TTempFolder::Read(dest / "sub" / "a.txt"), "new copy");
  EXPECT_EQ(TTempFolder::Read(dest / "update.exe"), big);
  EXPECT_EQ(TTempFolder::Read(dest / "deep" / "er" / "x.bin"), std::string("\0\1\2", 3));
  EXPECT_EQ(TTempFolder::Read(dest / "keep.txt"), "untouched");
  EXPECT_TRUE(fs::is_directory(dest / "empty"));
  EXPECT_EQ(Tree(dest), (std::set<std::string>{"sub", "sub/a.txt", "update.exe", "deep", "deep/er",
                                               "deep/er/x.bin", "empty", "keep.txt"}));
}

TEST_F(ZipUnpackTest, EntryNamesInGbkOrUtf8BecomeUtf8FileNames) {
  TZipBuilder zip;
  zip.AddFile("\xD7\xCA\xC1\xCF/\xCB\xB5\xC3\xF7.txt", "gbk");  // 资料/说明.txt in GBK
  zip.Add(TZipEntry{.name = "\xE5\x9F\x8E.txt", .data = "utf8", .utf8Flag = true});  // 城.txt
  zip.AddFile("\xE5\xB8\x82.txt", "utf8 without the flag");                          // 市.txt
  // A GBK character whose second byte is 0x5C is not a backslash.
  zip.AddFile("win\\\xD5\x5C.txt", "trail byte");  // win\誠.txt
  ASSERT_TRUE(zip.WriteTo(archive));
  ASSERT_EQ(UnpackZip(archive, dest.string()), TUnpackResult::Ok);
  EXPECT_EQ(TTempFolder::Read(dest / U8("资料") / U8("说明.txt")), "gbk");
  EXPECT_EQ(TTempFolder::Read(dest / U8("城.txt")), "utf8");
  EXPECT_EQ(TTempFolder::Read(dest / U8("市.txt")), "utf8 without the flag");
  EXPECT_EQ(TTempFolder::Read(dest / "win" / U8("誠.txt")), "trail byte");
}

TEST_F(ZipUnpackTest, HarmlessOddNamesStayInsideTheFolder) {
  TZipBuilder zip;
  zip.AddFile("./a.txt", "1").AddFile("sub//b.txt", "2").AddFile("sub/./c.txt", "3");
  zip.AddFile("dots..name.txt", "4").AddFile("...", "5");
  ASSERT_TRUE(zip.WriteTo(archive));
  ASSERT_EQ(UnpackZip(archive, dest.string()), TUnpackResult::Ok);
  EXPECT_EQ(Tree(dest), (std::set<std::string>{"a.txt", "sub", "sub/b.txt", "sub/c.txt",
                                               "dots..name.txt", "..."}));
}

TEST_F(ZipUnpackTest, AHostileEntryRefusesTheWholeArchive) {
  struct TCase {
    const char* what;
    TZipEntry entry;
  };
  const TCase cases[] = {
      {"parent segment", {.name = "../evil.txt", .data = "x"}},
      {"parent segment inside", {.name = "sub/../../evil.txt", .data = "x"}},
      {"backslash parent", {.name = "..\\evil.txt", .data = "x"}},
      {"backslash parent inside", {.name = "sub\\..\\..\\evil.txt", .data = "x"}},
      {"GBK name with a parent", {.name = "..\\\xD5\x5C.txt", .data = "x"}},
      {"absolute", {.name = "/tmp/evil.txt", .data = "x"}},
      {"absolute backslash", {.name = "\\evil.txt", .data = "x"}},
      {"network share", {.name = "\\\\server\\share\\evil.txt", .data = "x"}},
      {"drive", {.name = "C:/evil.txt", .data = "x"}},
      {"drive relative", {.name = "C:evil.txt", .data = "x"}},
      {"drive backslash", {.name = "c:\\evil.txt", .data = "x"}},
      {"only a parent", {.name = "..", .data = ""}},
      {"symbolic link",
       {.name = "link", .data = "/etc/passwd", .externalAttributes = 0120777u << 16}},
      {"pipe", {.name = "fifo", .data = "", .externalAttributes = 0010644u << 16}},
      {"device", {.name = "dev", .data = "", .externalAttributes = 0020644u << 16}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    TZipBuilder zip;
    zip.AddFile("good.txt", "written first if anything were").AddFile("sub/ok.txt", "ok");
    zip.Add(c.entry);
    ASSERT_TRUE(zip.WriteTo(archive));
    EXPECT_EQ(UnpackZip(archive, dest.string()), TUnpackResult::Refused);
    EXPECT_TRUE(Tree(dest).empty());
    EXPECT_EQ(Tree(temp.Path()), (std::set<std::string>{"in.zip", "out"}));
  }
}

TEST_F(ZipUnpackTest, AnEntryThatIsBothFileAndFolderIsRefused) {
  for (bool fileFirst : {true, false}) {
    TZipBuilder zip;
    if (fileFirst)
      zip.AddFile("a", "file");
    zip.AddFile("a/b.txt", "inside");
    if (!fileFirst)
      zip.AddFile("a", "file");
    ASSERT_TRUE(zip.WriteTo(archive));
    EXPECT_EQ(UnpackZip(archive, dest.string()), TUnpackResult::Refused);
    EXPECT_TRUE(Tree(dest).empty());
  }
}

TEST_F(ZipUnpackTest, DamagedOrMissingArchivesWriteNothing) {
  TZipBuilder damaged;
  damaged.AddFile("good.txt", "fine");
  damaged.Add(TZipEntry{.name = "bad.txt", .data = "payload", .crcAdjust = 1});
  ASSERT_TRUE(damaged.WriteTo(archive));
  EXPECT_EQ(UnpackZip(archive, dest.string()), TUnpackResult::Damaged);
  EXPECT_TRUE(Tree(dest).empty());

  std::string full = TZipBuilder().AddFile("a.txt", std::string(1000, 'a')).Bytes();
  struct TCase {
    const char* what;
    std::string bytes;
  };
  const TCase cases[] = {
      {"empty file", ""},
      {"not an archive", "<html>404 Not Found</html>"},
      {"cut short", full.substr(0, full.size() / 2)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    TTempFolder::Write(archive, c.bytes);
    EXPECT_EQ(UnpackZip(archive, dest.string()), TUnpackResult::CannotOpen);
    EXPECT_TRUE(Tree(dest).empty());
  }
  EXPECT_EQ(UnpackZip(temp.File("missing.zip"), dest.string()), TUnpackResult::CannotOpen);
}

TEST_F(ZipUnpackTest, StoredPermissionsAndTimesAreApplied) {
  TZipBuilder zip;
  zip.Add(TZipEntry{.name = "run.sh", .data = "#!/bin/sh\n", .externalAttributes = 0100755u << 16});
  zip.Add(TZipEntry{.name = "plain.txt", .data = "text", .externalAttributes = 0100640u << 16});
  ASSERT_TRUE(zip.WriteTo(archive));
  ASSERT_EQ(UnpackZip(archive, dest.string()), TUnpackResult::Ok);
  EXPECT_EQ(fs::status(dest / "run.sh").permissions(), fs::perms(0755));
  EXPECT_EQ(fs::status(dest / "plain.txt").permissions(), fs::perms(0640));
  // The builder stamps 2020-06-15 12:30 (local time, as ZIP times are).
  auto written = fs::last_write_time(dest / "run.sh");
  auto sys = std::chrono::file_clock::to_sys(written);
  std::time_t t = std::chrono::system_clock::to_time_t(sys);
  std::tm local = *std::localtime(&t);
  EXPECT_EQ(local.tm_year + 1900, 2020);
  EXPECT_EQ(local.tm_mon + 1, 6);
  EXPECT_EQ(local.tm_mday, 15);
}

TEST(FileCrc32, IsTheIeeeChecksumOfTheWholeFile) {
  TTempFolder temp;
  struct TCase {
    const char* what;
    std::string content;
    std::uint32_t crc;
  };
  std::string blocks(200'000, '\0');
  for (std::size_t i = 0; i < blocks.size(); ++i)
    blocks[i] = static_cast<char>(i * 7 + i / 251);
  const TCase cases[] = {
      {"digits", "123456789", 0xCBF43926u},
      {"empty", "", 0u},
      // Several reading blocks: the same as one pass over the bytes.
      {"blocks", blocks,
       static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(blocks.data()),
                                        static_cast<uInt>(blocks.size())))},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    TTempFolder::Write(temp.Path() / "f", c.content);
    EXPECT_EQ(FileCrc32(temp.File("f")), c.crc);
  }
  EXPECT_EQ(FileCrc32(temp.File("missing")), 0u);
  EXPECT_EQ(FileCrc32(temp.Path().string()), 0u);  // a folder cannot be read
}

}  // namespace
}  // namespace vlmr
