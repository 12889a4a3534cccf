// The hand-over manifest on arbitrary bytes: what the updater reads from "update.manifest".
// A manifest that reads must read back the same after it is written, and no manifest passes
// the package check without a key.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/UpdateManifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::optional<vlmr::TUpdateManifest> manifest = vlmr::ParseManifestFile(bytes);
  if (!manifest)
    return 0;
  std::optional<vlmr::TUpdateManifest> again =
      vlmr::ParseManifestFile(vlmr::FormatManifestFile(*manifest));
  if (!again || again->SignedText() != manifest->SignedText() ||
      again->signature != manifest->signature)
    std::abort();
  if (vlmr::CheckPackage("/nonexistent-vlmr-fuzz/update.zip", *manifest, vlmr::kProgramProduct,
                         "") == vlmr::TPackageCheck::Ok)
    std::abort();
  return 0;
}
