#include "platform/FileVersion.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/TempFolder.h"

namespace vlmr {
namespace {

// Offsets of the fields that the corruption cases change.
struct TPeLayout {
  std::size_t coff = 0;         // "PE\0\0"
  std::size_t optional = 0;     // optional header
  std::size_t rvaCount = 0;     // NumberOfRvaAndSizes
  std::size_t resourceDir = 0;  // data directory 2
  std::size_t sections = 0;     // section table (the resource section is the second)
  std::size_t rsrc = 0;         // resource section in the file
  std::size_t versionType = 0;  // root entry of type 16
  std::size_t nameDir = 0, languageDir = 0, dataEntry = 0, block = 0;
};

constexpr std::uint32_t kRsrcRva = 0x2000;
constexpr std::size_t kRsrcFile = 0x400;

void Put16(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<unsigned char>(v);
  b[at + 1] = static_cast<unsigned char>(v >> 8);
}
void Put32(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// A minimal Windows executable: a code section, then a resource section whose tree holds an
// icon type and the version type (one name, one language) with its VS_VERSIONINFO block. The
// block is the last thing in the file, so that any cut makes the file unreadable.
std::vector<unsigned char> BuildPe(bool pe32Plus, std::uint32_t versionMs, std::uint32_t versionLs,
                                   TPeLayout* layoutOut = nullptr) {
  TPeLayout l;
  const std::size_t optionalSize = pe32Plus ? 240 : 224;
  l.coff = 0x40;
  l.optional = l.coff + 24;
  l.rvaCount = l.optional + (pe32Plus ? 108 : 92);
  l.resourceDir = l.optional + (pe32Plus ? 112 : 96) + 2 * 8;
  l.sections = l.optional + optionalSize;
  l.rsrc = kRsrcFile;
  // Root directory with two id entries, then the name and language directories, then the
  // data entry and the block.
  const std::size_t root = 0, nameDir = 0x20, languageDir = 0x38, dataEntry = 0x50, block = 0x60,
                    blockSize = 92;
  const std::size_t rsrcSize = block + blockSize;
  l.versionType = l.rsrc + 16 + 8;
  l.nameDir = l.rsrc + nameDir;
  l.languageDir = l.rsrc + languageDir;
  l.dataEntry = l.rsrc + dataEntry;
  l.block = l.rsrc + block;

  std::vector<unsigned char> b(kRsrcFile + rsrcSize, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3C, static_cast<std::uint32_t>(l.coff));
  std::memcpy(&b[l.coff], "PE\0\0", 4);
  Put16(b, l.coff + 4, pe32Plus ? 0x8664 : 0x014C);
  Put16(b, l.coff + 6, 2);  // sections
  Put16(b, l.coff + 20, static_cast<std::uint32_t>(optionalSize));
  Put16(b, l.coff + 22, 0x0102);
  Put16(b, l.optional, pe32Plus ? 0x20B : 0x10B);
  Put32(b, l.rvaCount, 16);
  Put32(b, l.resourceDir, kRsrcRva);
  Put32(b, l.resourceDir + 4, static_cast<std::uint32_t>(rsrcSize));

  auto section = [&](std::size_t index, const char* name, std::uint32_t rva, std::uint32_t size,
                     std::uint32_t file) {
    std::size_t s = l.sections + index * 40;
    std::memcpy(&b[s], name, std::strlen(name));
    Put32(b, s + 8, size);
    Put32(b, s + 12, rva);
    Put32(b, s + 16, size);
    Put32(b, s + 20, file);
  };
  section(0, ".text", 0x1000, 0x200, 0x200);
  section(1, ".rsrc", kRsrcRva, static_cast<std::uint32_t>(rsrcSize),
          static_cast<std::uint32_t>(kRsrcFile));

  const std::size_t r = l.rsrc;
  Put16(b, r + root + 14, 2);  // two id entries: icons (3), versions (16)
  Put32(b, r + root + 16, 3);
  Put32(b, r + root + 20, 0x80000000u | nameDir);
  Put32(b, r + root + 24, 16);
  Put32(b, r + root + 28, 0x80000000u | nameDir);
  Put16(b, r + nameDir + 14, 1);
  Put32(b, r + nameDir + 16, 1);  // VS_VERSION_INFO is resource 1
  Put32(b, r + nameDir + 20, 0x80000000u | languageDir);
  Put16(b, r + languageDir + 14, 1);
  Put32(b, r + languageDir + 16, 0x0804);
  Put32(b, r + languageDir + 20, static_cast<std::uint32_t>(dataEntry));
  Put32(b, r + dataEntry, static_cast<std::uint32_t>(kRsrcRva + block));
  Put32(b, r + dataEntry + 4, static_cast<std::uint32_t>(blockSize));

  const std::size_t v = r + block;
  Put16(b, v, static_cast<std::uint32_t>(blockSize));
  Put16(b, v + 2, 52);
  const char* key = "VS_VERSION_INFO";
  for (std::size_t i = 0; key[i] != '\0'; ++i) {
    b[v + 6 + 2 * i] = static_cast<unsigned char>(key[i]);
  }
  Put32(b, v + 40, 0xFEEF04BD);
  Put32(b, v + 44, 0x00010000);
  Put32(b, v + 48, versionMs);
  Put32(b, v + 52, versionLs);
  Put32(b, v + 56, 0x00090009);  // product version: must not be the one read
  Put32(b, v + 60, 0x00090009);
  if (layoutOut != nullptr)
    *layoutOut = l;
  return b;
}

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
