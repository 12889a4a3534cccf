#include "platform/FileVersion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace vlmr {
namespace {

constexpr const char* kNoVersion = "1.0.0.0";
constexpr std::uint32_t kResourceTypeVersion = 16;  // RT_VERSION
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr std::uint32_t kHighBit = 0x80000000u;

// Every read of the file goes through a source that refuses anything outside it, so no
// offset taken from the file can reach past its end.
class TByteSource {
 public:
  virtual ~TByteSource() = default;
  virtual bool Read(std::uint64_t offset, void* out, std::size_t count) const = 0;

  std::optional<std::vector<unsigned char>> ReadBlock(std::uint64_t offset,
                                                      std::size_t count) const {
    std::vector<unsigned char> block(count);
    if (count > 0 && !Read(offset, block.data(), count)) {
      return std::nullopt;
    }
    return block;
  }
};

class TMemorySource : public TByteSource {
 public:
  TMemorySource(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
  bool Read(std::uint64_t offset, void* out, std::size_t count) const override {
    if (offset > size_ || count > size_ - offset) {
      return false;
    }
    if (count > 0) {
      std::memcpy(out, data_ + offset, count);
    }
    return true;
  }

 private:
  const unsigned char* data_;
  std::size_t size_;
};

// Reads only the pieces the walk asks for, so a large file costs no more than a small one.
class TFileSource : public TByteSource {
 public:
  TFileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  bool Read(std::uint64_t offset, void* out, std::size_t count) const override {
    if (offset > size_ || count > size_ - offset) {
      return false;
    }
    auto* p = static_cast<unsigned char*>(out);
    while (count > 0) {
      ssize_t n = pread(fd_, p, count, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR)
        continue;
      if (n <= 0)
        return false;
      p += n;
      offset += static_cast<std::uint64_t>(n);
      count -= static_cast<std::size_t>(n);
    }
    return true;
  }

 private:
  int fd_;
  std::uint64_t size_;
};

std::uint16_t U16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t U32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct TSection {
  std::uint64_t address;  // RVA of the section
  std::uint64_t span;     // bytes of it that the file holds
  std::uint64_t fileOffset;
};

class TImage {
 public:
  TImage(const TByteSource& source, std::vector<TSection> sections)
      : source_(source), sections_(std::move(sections)) {}

  // `count` bytes at the relative virtual address, when one section holds all of them.
  std::optional<std::vector<unsigned char>> ReadRva(std::uint64_t rva, std::size_t count) const {
    for (const TSection& s : sections_) {
      if (rva >= s.address && rva - s.address < s.span && count <= s.span - (rva - s.address)) {
        return source_.ReadBlock(s.fileOffset + (rva - s.address), count);
      }
    }
    return std::nullopt;
  }

 private:
  const TByteSource& source_;
  std::vector<TSection> sections_;
};

struct TDirectoryEntry {
  std::uint32_t name;
  std::uint32_t target;
};

// The entries of the resource directory at `offset` from the resource root.
std::optional<std::vector<TDirectoryEntry>> ReadDirectory(const TImage& image, std::uint64_t root,
                                                          std::uint32_t offset) {
  auto header = image.ReadRva(root + offset, 16);
  if (!header)
    return std::nullopt;
  std::size_t count = static_cast<std::size_t>(U16(header->data() + 12)) + U16(header->data() + 14);
  auto raw = image.ReadRva(root + offset + 16, count * 8);
  if (!raw)
    return std::nullopt;
  std::vector<TDirectoryEntry> entries(count);
  for (std::size_t i = 0; i < count; ++i) {
    entries[i] = {U32(raw->data() + i * 8), U32(raw->data() + i * 8 + 4)};
  }
  return entries;
}

std::optional<std::string> FixedFileVersion(const TByteSource& source) {
  auto dos = source.ReadBlock(0, 64);
  if (!dos || (*dos)[0] != 'M' || (*dos)[1] != 'Z')
    return std::nullopt;
  const std::uint64_t pe = U32(dos->data() + 0x3C);

  auto coff = source.ReadBlock(pe, 24);
  if (!coff || std::memcmp(coff->data(), "PE\0\0", 4) != 0)
    return std::nullopt;
  const std::size_t sectionCount = U16(coff->data() + 6);
  const std::size_t optionalSize = U16(coff->data() + 20);

  auto optional = source.ReadBlock(pe + 24, optionalSize);
  if (!optional || optionalSize < 2)
    return std::nullopt;
  std::size_t countAt = 0, directoriesAt = 0;
  switch (U16(optional->data())) {
    case 0x10B:
      countAt = 92;
      directoriesAt = 96;
      break;  // PE32
    case 0x20B:
      countAt = 108;
      directoriesAt = 112;
      break;  // PE32+
    default:
      return std::nullopt;
  }
  constexpr std::size_t kResourceDirectory = 2;
  const std::size_t resourceAt = directoriesAt + kResourceDirectory * 8;
  if (optionalSize < resourceAt + 8 || U32(optional->data() + countAt) <= kResourceDirectory) {
    return std::nullopt;
  }
  const std::uint64_t root = U32(optional->data() + resourceAt);
  if (root == 0)
    return std::nullopt;

  auto table = source.ReadBlock(pe + 24 + optionalSize, sectionCount * 40);
  if (!table)
    return std::nullopt;
  std::vector<TSection> sections;
  for (std::size_t i = 0; i < sectionCount; ++i) {
    const unsigned char* s = table->data() + i * 40;
    std::uint64_t virtualSize = U32(s + 8), rawSize = U32(s + 16);
    // The loader maps no more of the raw data than the section's virtual size.
    std::uint64_t span = virtualSize != 0 && virtualSize < rawSize ? virtualSize : rawSize;
    sections.push_back({U32(s + 12), span, U32(s + 20)});
  }
  TImage image(source, std::move(sections));

  // Three fixed levels, no recursion: type 16, then its first name, then that one's first
  // language, which leads to the data entry.
  auto types = ReadDirectory(image, root, 0);
  if (!types)
    return std::nullopt;
  std::optional<std::uint32_t> namesAt;
  for (const TDirectoryEntry& e : *types) {
    if ((e.name & kHighBit) == 0 && e.name == kResourceTypeVersion && (e.target & kHighBit)) {
      namesAt = e.target & ~kHighBit;
      break;
    }
  }
  if (!namesAt)
    return std::nullopt;
  auto names = ReadDirectory(image, root, *namesAt);
  if (!names || names->empty() || ((*names)[0].target & kHighBit) == 0)
    return std::nullopt;
  auto languages = ReadDirectory(image, root, (*names)[0].target & ~kHighBit);
  if (!languages || languages->empty() || ((*languages)[0].target & kHighBit) != 0) {
    return std::nullopt;
  }
  auto dataEntry = image.ReadRva(root + (*languages)[0].target, 16);
  if (!dataEntry)
    return std::nullopt;
  const std::uint64_t dataRva = U32(dataEntry->data());
  const std::uint32_t dataSize = U32(dataEntry->data() + 4);

  // VS_VERSIONINFO: length, value length, type, the key "VS_VERSION_INFO" in UTF-16 with its
  // terminator, padding to 32 bits, then VS_FIXEDFILEINFO.
  static const unsigned char kKey[] = {'V', 0,   'S', 0,   '_', 0,   'V', 0,   'E', 0,   'R',
                                       0,   'S', 0,   'I', 0,   'O', 0,   'N', 0,   '_', 0,
                                       'I', 0,   'N', 0,   'F', 0,   'O', 0,   0,   0};
  constexpr std::size_t kKeyAt = 6;
  constexpr std::size_t kFixedAt = (kKeyAt + sizeof kKey + 3) & ~std::size_t{3};
  constexpr std::size_t kFixedSize = 52;
  constexpr std::size_t kNeeded = kFixedAt + kFixedSize;
  if (dataSize < kNeeded)
    return std::nullopt;
  auto block = image.ReadRva(dataRva, kNeeded);
  if (!block)
    return std::nullopt;
  const unsigned char* b = block->data();
  const std::uint16_t length = U16(b), valueLength = U16(b + 2);
  if (length < kNeeded || length > dataSize || valueLength < kFixedSize ||
      std::memcmp(b + kKeyAt, kKey, sizeof kKey) != 0 || U32(b + kFixedAt) != kFixedInfoSignature) {
    return std::nullopt;
  }
  const std::uint32_t ms = U32(b + kFixedAt + 8), ls = U32(b + kFixedAt + 12);
  char text[32];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", static_cast<int>(ms >> 16),
                static_cast<int>(ms & 0xFFFF), static_cast<int>(ls >> 16),
                static_cast<int>(ls & 0xFFFF));
  return std::string(text);
}

}  // namespace

std::string FileVersionFromBytes(const unsigned char* data, std::size_t size) {
  if (data == nullptr) {
    return kNoVersion;
  }
  return FixedFileVersion(TMemorySource(data, size)).value_or(kNoVersion);
}

std::string GetFileVersionText(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a FIFO must not block
  if (fd < 0) {
    return kNoVersion;
  }
  std::string result = kNoVersion;
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    result = FixedFileVersion(TFileSource(fd, static_cast<std::uint64_t>(st.st_size)))
                 .value_or(kNoVersion);
  }
  close(fd);
  return result;
}

}  // namespace vlmr
