#include "platform/FileVersion.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/PeImage.h"
#include "platform/TempFolder.h"

namespace vlmr {
namespace {

using test::BuildPe;
using test::Put16;
using test::Put32;
using test::TPeLayout;

std::string VersionOf(const std::vector<unsigned char>& bytes) {
  return FileVersionFromBytes(bytes.data(), bytes.size());
}

TEST(FileVersionTest, ReadsTheFixedFileVersionOfPe32AndPe32Plus) {
  struct Case {
    bool pe32Plus;
    std::uint32_t ms, ls;
    const char* expected;
  } cases[] = {
      {false, 0x00010002, 0x00030004, "1.2.3.4"},
      {true, 0x00010002, 0x00030004, "1.2.3.4"},
      {false, 0xFFFF0005, 0x00009C40, "65535.5.0.40000"},  // 16-bit halves are unsigned
      {true, 0x00000000, 0x00000000, "0.0.0.0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VersionOf(BuildPe(c.pe32Plus, c.ms, c.ls)), c.expected) << c.expected;
  }
}

TEST(FileVersionTest, EveryCutOfTheFileFallsBack) {
  for (bool pe32Plus : {false, true}) {
    const auto full = BuildPe(pe32Plus, 0x00020003, 0x00040005);
    ASSERT_EQ(VersionOf(full), "2.3.4.5");
    for (std::size_t size = 0; size < full.size(); ++size) {
      std::vector<unsigned char> cut(full.begin(), full.begin() + static_cast<long>(size));
      ASSERT_EQ(VersionOf(cut), "1.0.0.0") << "cut at " << size;
    }
  }
}

TEST(FileVersionTest, CorruptStructuresFallBack) {
  TPeLayout l;
  const auto good = BuildPe(false, 0x00010002, 0x00030004, &l);
  ASSERT_EQ(VersionOf(good), "1.2.3.4");
  const std::size_t rsrcSection = l.sections + 40;
  struct Case {
    const char* name;
    std::size_t at;
    int width;  // 1, 2 or 4 bytes
    std::uint32_t value;
  } cases[] = {
      {"not MZ", 0, 1, 'X'},
      {"PE header offset past the end", 0x3C, 4, 0xFFFFFFF0},
      {"PE signature", l.coff, 1, 'N'},
      {"optional header magic", l.optional, 2, 0x107},
      {"optional header too small", l.coff + 20, 2, 100},
      {"no resource directory slot", l.rvaCount, 4, 2},
      {"no resources", l.resourceDir, 4, 0},
      {"resource RVA outside every section", l.resourceDir, 4, 0x9000},
      {"resource RVA wrapping around", l.resourceDir, 4, 0xFFFFFFFF},
      {"no sections", l.coff + 6, 2, 0},
      {"section data past the end", rsrcSection + 20, 4, 0xFFFFFF00},
      {"section maps too little", rsrcSection + 8, 4, 0x10},
      {"section maps only part of the block", rsrcSection + 8, 4, 0x6A},
      {"no version type", l.versionType, 4, 17},
      {"version type is not a directory", l.versionType + 4, 4, 0x20},
      {"name directory far away", l.versionType + 4, 4, 0xFFFFFFF0},
      {"huge entry count", l.rsrc + 12, 2, 0xFFFF},
      {"empty name directory", l.nameDir + 14, 2, 0},
      {"name entry is a leaf", l.nameDir + 20, 4, 0x38},
      {"language entry is a directory", l.languageDir + 20, 4, 0x80000000u},
      {"language entry points back at the root", l.languageDir + 20, 4, 0},
      {"data outside the file", l.dataEntry, 4, 0x7FFFFFF0},
      {"data too small", l.dataEntry + 4, 4, 60},
      {"block length too small", l.block, 2, 40},
      {"block longer than its data", l.block, 2, 200},
      {"no fixed info", l.block + 2, 2, 0},
      {"wrong key", l.block + 6, 1, 'W'},
      {"key not terminated", l.block + 36, 1, 'X'},
      {"wrong signature", l.block + 40, 4, 0xFEEF04BE},
  };
  for (const Case& c : cases) {
    auto bytes = good;
    if (c.width == 1)
      bytes[c.at] = static_cast<unsigned char>(c.value);
    if (c.width == 2)
      Put16(bytes, c.at, c.value);
    if (c.width == 4)
      Put32(bytes, c.at, c.value);
    EXPECT_EQ(VersionOf(bytes), "1.0.0.0") << c.name;
  }
  EXPECT_EQ(FileVersionFromBytes(nullptr, 100), "1.0.0.0");
}

TEST(FileVersionTest, ReadsFilesAndFallsBackForAnythingElse) {
  test::TTempFolder folder;
  const auto pe = BuildPe(true, 0x00010005, 0x00000007);
  test::WriteFileText(folder / "update.exe", std::string(pe.begin(), pe.end()));
  EXPECT_EQ(GetFileVersionText(folder / "update.exe"), "1.5.0.7");

  test::WriteFileText(folder / "empty.exe", "");
  test::WriteFileText(folder / "text.exe", "MZ but nothing else");
  ASSERT_EQ(mkfifo((folder / "fifo.exe").c_str(), 0600), 0);  // must not block
  for (const char* name : {"missing.exe", "empty.exe", "text.exe", "fifo.exe", ""}) {
    EXPECT_EQ(GetFileVersionText(folder / name), "1.0.0.0") << name;
  }
  EXPECT_EQ(GetFileVersionText(""), "1.0.0.0");
}

}  // namespace
}  // namespace vlmr
