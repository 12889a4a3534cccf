#include "support/ZipBuilder.h"

#include <zlib.h>

#include <fstream>

namespace vlmr::test {
namespace {

void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

constexpr std::uint32_t kDosTime = (12u << 11) | (30u << 5);                  // 12:30:00
constexpr std::uint32_t kDosDate = ((2020u - 1980u) << 9) | (6u << 5) | 15u;  // 2020-06-15

}  // namespace

TZipBuilder& TZipBuilder::AddFile(std::string name, std::string data) {
  TZipEntry e;
  e.name = std::move(name);
  e.data = std::move(data);
  return Add(std::move(e));
}

TZipBuilder& TZipBuilder::AddDir(std::string name) {
  TZipEntry e;
  e.name = std::move(name);
  e.externalAttributes = (040755u << 16) | 0x10;
  return Add(std::move(e));
}

TZipBuilder& TZipBuilder::AddSymlink(std::string name, std::string target) {
  TZipEntry e;
  e.name = std::move(name);
  e.data = std::move(target);
  e.externalAttributes = 0120777u << 16;
  return Add(std::move(e));
}

TZipBuilder& TZipBuilder::Add(TZipEntry entry) {
  entries_.push_back(std::move(entry));
  return *this;
}

std::string TZipBuilder::Bytes() const {
  std::string out, central;
  for (const TZipEntry& e : entries_) {
    auto crc = static_cast<std::uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(e.data.data()),
                                                static_cast<uInt>(e.data.size()))) +
               e.crcAdjust;
    std::uint32_t flags = e.utf8Flag ? 0x0800 : 0;
    auto size = static_cast<std::uint32_t>(e.data.size());
    auto nameLength = static_cast<std::uint32_t>(e.name.size());
    auto offset = static_cast<std::uint32_t>(out.size());

    Put32(out, 0x04034b50);
    Put16(out, 20);  // version needed
    Put16(out, flags);
    Put16(out, 0);  // stored
    Put16(out, kDosTime);
    Put16(out, kDosDate);
    Put32(out, crc);
    Put32(out, size);
    Put32(out, size);
    Put16(out, nameLength);
    Put16(out, 0);
    out += e.name;
    out += e.data;

    Put32(central, 0x02014b50);
    Put16(central, (static_cast<std::uint32_t>(e.madeBy) << 8) | 20);
    Put16(central, 20);
    Put16(central, flags);
    Put16(central, 0);
    Put16(central, kDosTime);
    Put16(central, kDosDate);
    Put32(central, crc);
    Put32(central, size);
    Put32(central, size);
    Put16(central, nameLength);
    Put16(central, 0);  // extra
    Put16(central, 0);  // comment
    Put16(central, 0);  // disk
    Put16(central, 0);  // internal attributes
    Put32(central, e.externalAttributes);
    Put32(central, offset);
    central += e.name;
  }
  auto centralOffset = static_cast<std::uint32_t>(out.size());
  out += central;
  Put32(out, 0x06054b50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<std::uint32_t>(entries_.size()));
  Put16(out, static_cast<std::uint32_t>(entries_.size()));
  Put32(out, static_cast<std::uint32_t>(central.size()));
  Put32(out, centralOffset);
  Put16(out, 0);
  return out;
}

bool TZipBuilder::WriteTo(const std::string& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::string bytes = Bytes();
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace vlmr::test
