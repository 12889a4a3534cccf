// Builds ZIP archives byte by byte for tests, including what a ZIP library will not write:
// raw (GBK) names, "..", absolute and drive names, symbolic links by their attributes.
// Entries are stored uncompressed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vlmr::test {

struct TZipEntry {
  std::string name;  // raw bytes as stored
  std::string data;
  bool utf8Flag = false;    // general-purpose bit 11
  std::uint8_t madeBy = 3;  // 3 = Unix (mode in the high 16 bits), 0 = DOS
  std::uint32_t externalAttributes = 0100644u << 16;
  std::uint32_t crcAdjust = 0;  // added to the true CRC-32 (non-zero: a damaged entry)
};

class TZipBuilder {
 public:
  TZipBuilder& AddFile(std::string name, std::string data);
  TZipBuilder& AddDir(std::string name);  // the name should end with "/"
  TZipBuilder& AddSymlink(std::string name, std::string target);
  TZipBuilder& Add(TZipEntry entry);

  std::string Bytes() const;
  bool WriteTo(const std::string& path) const;

 private:
  std::vector<TZipEntry> entries_;
};

}  // namespace vlmr::test
