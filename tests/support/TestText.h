// Small helpers every test layer uses: GBK text from a UTF-8 literal, and the CRC-32 (zlib's)
// of a byte string.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Text.h"

namespace vlmr::test {

inline std::string G(std::string_view utf8) {
  return Utf8ToGbk(utf8);
}

inline std::uint32_t Crc(const std::string& data) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

}  // namespace vlmr::test
