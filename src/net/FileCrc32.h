// CRC-32 (IEEE 802.3, the value zlib's crc32 gives) of a file's whole content.
#pragma once

#include <cstdint>
#include <string>

namespace vlmr {

// Reads the file in blocks of 65,521 bytes; a file that cannot be opened (or read) gives 0.
std::uint32_t FileCrc32(const std::string& path);

}  // namespace vlmr
