// The contact reply split on arbitrary text: every item is a piece of the input, and there are
// never more items than the input has bytes plus one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/ContactReply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  auto items = vlmr::SplitContactReply(text);
  std::size_t total = 0;
  for (const auto& item : items)
    total += item.size();
  if (items.size() > size + 1 || total > size)
    std::abort();
  return 0;
}
