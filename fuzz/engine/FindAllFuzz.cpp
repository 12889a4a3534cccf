// Arbitrary bytes as a GBK page, run through every pattern of the engine. Errors the service
// raises are fine (a page that spends the work budget fails); crashes, hangs and sanitizer
// reports are not. One input in four runs in the interpreter, as on a system without JIT, where
// the slow shapes of large pages (run-fuzzers allows 256 KB) meet the work budget.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/EnginePatterns.h"
#include "engine/RegExp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const auto patterns = vlmr::patterns::EnginePatterns();
  static vlmr::TRegExp jit;
  static vlmr::TRegExp interpreter([] {
    vlmr::TRegExpLimits limits;
    limits.useJit = false;
    return limits;
  }());
  const std::string text(reinterpret_cast<const char*>(data), size);
  vlmr::TRegExp& re = size > 0 && data[size - 1] % 4 == 0 ? interpreter : jit;
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
