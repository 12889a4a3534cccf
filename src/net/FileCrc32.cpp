#include "net/FileCrc32.h"

#include <zlib.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace vlmr {

std::uint32_t FileCrc32(const std::string& path) {
  constexpr std::size_t kBlock = 65521;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file)
    return 0;
  std::vector<unsigned char> block(kBlock);
  uLong crc = crc32(0L, Z_NULL, 0);
  while (true) {
    std::size_t n = std::fread(block.data(), 1, block.size(), file.get());
    if (n > 0)
      crc = crc32(crc, block.data(), static_cast<uInt>(n));
    if (n < block.size())
      break;
  }
  if (std::ferror(file.get()))
    return 0;
  return static_cast<std::uint32_t>(crc);
}

}  // namespace vlmr
