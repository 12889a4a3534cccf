// The string cipher of the remote configuration: single DES (FIPS 46-3) in ECB mode with a key
// folded from a key text, and a buffer that carries the plain text's length after the blocks:
//   n bytes of ciphertext (n a multiple of 8) | L, signed 32-bit little-endian
// DES runs in OpenSSL's legacy provider, loaded into a library context of this unit's own; the
// process's global context is never touched.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vlmr {

using TDesKey = std::array<std::uint8_t, 8>;

// Character i (1-based) is added, modulo 256, to key byte (i mod 8).
TDesKey FoldKey(std::string_view keyText);

// Decodes `source` into `destination` (cleared first). Every failure leaves it empty: an empty
// key text, fewer than 4 bytes, a block part that is not a multiple of 8 ("Invalid data
// size!"), a stored length that is negative or beyond the decrypted bytes, a cipher error.
void DecodeConfigStream(const std::string& source, std::string& destination,
                        std::string_view keyText);

// The inverse, for the vendor's tools and the tests: the plain text padded with zero bytes to a
// multiple of 8, enciphered, then its length. Empty when the key text is empty or DES fails.
std::string EncodeConfigStream(const std::string& plain, std::string_view keyText);

// The key text of the served configuration.
inline constexpr const char* kConfigKeyText = "p4tnw8kxe";

}  // namespace vlmr
