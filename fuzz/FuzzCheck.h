// What the fuzzers share: a broken contract stops the run where it happens, so that libFuzzer
// keeps the input that showed it.
#pragma once

#include <string_view>

#include "base/Text.h"

namespace vlmr::fuzz {

inline void Check(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

}  // namespace vlmr::fuzz
