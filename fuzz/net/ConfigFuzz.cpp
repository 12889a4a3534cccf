// The configuration path on arbitrary bytes: the body decoded with the configuration key and
// walked as an XML document, as the program reads what the network hands it. The input is
// also enciphered first, so that the XML walk sees the bytes as a document.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/Cipher.h"
#include "net/ConfigDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  // No updater lies there, so nothing is ended or deleted.
  const std::string updater = "/nonexistent-vlmr-fuzz/update";
  vlmr::ReadConfigDocument(bytes, updater);
  vlmr::ReadConfigDocument(vlmr::EncodeConfigStream(bytes, vlmr::kConfigKeyText), updater);
  vlmr::ReadVersionNumber(bytes);
  vlmr::ReadCrc(bytes);
  return 0;
}
