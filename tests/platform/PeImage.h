// A minimal Windows executable with a version resource, built in memory for the version
// reader's tests and fuzzer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vlmr::test {

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

inline constexpr std::uint32_t kRsrcRva = 0x2000;
inline constexpr std::size_t kRsrcFile = 0x400;

inline void Put16(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<unsigned char>(v);
  b[at + 1] = static_cast<unsigned char>(v >> 8);
}
inline void Put32(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// A minimal Windows executable: a code section, then a resource section whose tree holds an
// icon type and the version type (one name, one language) with its VS_VERSIONINFO block. The
// block is the last thing in the file, so that any cut makes the file unreadable.
inline std::vector<unsigned char> BuildPe(bool pe32Plus, std::uint32_t versionMs,
                                          std::uint32_t versionLs, TPeLayout* layoutOut = nullptr) {
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

}  // namespace vlmr::test
