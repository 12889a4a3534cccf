// Arbitrary bytes as a GBK page through the WeChat ID reader: every ID is the marker of
// "微信同手机号" or 5 to 20 letters, digits, "_" and "-" that the page holds, each given once.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "../FuzzCheck.h"
#include "engine/WeChatIds.h"

namespace {

using vlmr::fuzz::Check;

bool IsIdChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::set<std::string> seen;
  for (const std::string& id : vlmr::WeChatIds(text)) {
    Check(seen.insert(id).second);
    if (id == vlmr::kSameAsMobile) {
      continue;
    }
    Check(id.size() >= 5 && id.size() <= 20);
    Check(std::all_of(id.begin(), id.end(), IsIdChar));
    Check(text.find(id) != std::string_view::npos);
  }
  return 0;
}
