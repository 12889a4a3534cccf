// Arbitrary bytes as a GBK page, run through every pattern of the engine. Errors the service
// raises are fine; crashes, hangs and sanitizer reports are not.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/EnginePatterns.h"
#include "engine/RegExp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const auto patterns = vlmr::patterns::EnginePatterns();
  static vlmr::TRegExp re;
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const auto& p : patterns) {
    try {
      auto matches = re.FindAll(text, p.gbk);
      for (const auto& m : matches) {
        // Every match is a piece of GBK text no longer than the text it came from.
        if (m.size() > text.size() * 2 + 8) {
          __builtin_trap();
        }
      }
    } catch (const vlmr::ERegExpError&) {
    }
  }
  return 0;
}
