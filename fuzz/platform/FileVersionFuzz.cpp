// Arbitrary bytes as an executable, twice: as they are, and as patches over a valid image with
// a version resource, so that the deep parts of the resource walk are reached without a starting
// corpus.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "../../tests/platform/PeImage.h"
#include "platform/FileVersion.h"

namespace {

void CheckForm(const std::string& version) {
  // Four decimal numbers of 16 bits at most, separated by dots.
  int dots = 0;
  for (char c : version) {
    if (c == '.') {
      ++dots;
    } else if (c < '0' || c > '9') {
      std::abort();
    }
  }
  if (dots != 3 || version.size() > 23)
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckForm(vlmr::FileVersionFromBytes(data, size));

  // Patches: a flag byte picks PE32 or PE32+, then (offset low, offset high, value) triples.
  if (size == 0)
    return 0;
  auto image = vlmr::test::BuildPe((data[0] & 1) != 0, 0x00010002, 0x00030004);
  for (std::size_t i = 1; i + 3 <= size; i += 3) {
    std::size_t at = (data[i] | (data[i + 1] << 8)) % image.size();
    image[at] = data[i + 2];
  }
  // Optionally cut the image short.
  std::size_t length = image.size();
  if (size % 3 == 2)
    length = data[size - 1] * image.size() / 255;
  CheckForm(vlmr::FileVersionFromBytes(image.data(), length));
  return 0;
}
