// The pattern service: every whole match of a pattern in a text, left to right, letters without
// regard to case. Backed by PCRE2 (UTF mode, no Unicode properties, newline LF, JIT).
//
// Encoding rule: the text, the pattern and the matches are all GBK, like every other text of the
// program. Chinese literals of a pattern are written in source as UTF-8 and passed through
// Utf8ToGbk, exactly like any other GBK literal.
//
// Dialect (what the engine's patterns rely on): "\d" is 0-9, "\s" is [ \t\n\v\f\r] and "\w" is
// [A-Za-z0-9_] (ASCII only); "." matches every character but a line feed (a carriage return is
// matched); "^" and "$" match only at the very start and end of the text. Characters are whole
// characters, never bytes. The lazy loop "(?:.|[\r\n])*?" is run as the equivalent "[\s\S]*?",
// which matches the same texts without backtracking exponentially over CR LF line ends.
//
// Errors raise ERegExpError, never "no match": a pattern PCRE2 rejects, a pattern that is not
// GBK, a match or memory limit that is hit, a call that spends its work budget. A text whose
// bytes are not all GBK is matched as the code-page conversion reads it: each byte that does not
// form a GBK character counts as one "?" (so a page cut off in the middle of a character still
// yields its matches).
//
// Work budget: the match limit bounds one attempt, but a hostile page (thousands of anchors that
// never close) makes thousands of short attempts, each searching on to the end of the page. So
// every call also has a budget of the calling thread's processor time for all its attempts
// together; a call that spends it raises LimitHit. The interpreter checks it as each attempt
// starts; JIT code searches 64 KiB of start positions at a time and checks it between searches
// (within a search its early-fail optimisation keeps such pages linear). The budget grows with
// the text, so that a large real page (linear work) still matches in full while a hostile one
// (quadratic work) fails early.
//
// One object per owner; an object is not thread-safe and must be used by one thread at a time.
// Compiled patterns are cached in the object, so a worker that runs the same few patterns over
// many pages compiles each once; the last text's conversion is kept too, so many patterns over
// one page convert it once. Nothing is allocated before the first FindAll.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vlmr {

class ERegExpError : public std::runtime_error {
 public:
  enum class TKind {
    BadPattern,  // the pattern does not compile, or is not GBK
    LimitHit,    // a match, heap or JIT stack limit was hit, or memory ran out
    BadText,     // the text could not be prepared for matching
    Internal,    // any other failure reported by the engine
  };
  ERegExpError(TKind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
  TKind Kind() const { return kind_; }

 private:
  TKind kind_;
};

// Bounds of one search. The engine's patterns need far less: the match limit leaves room for a
// lazy loop over a whole page at the largest body the HTTP client accepts, and they run within
// the smallest JIT stack.
struct TRegExpLimits {
  std::uint32_t matchLimit = 100'000'000;   // PCRE2 match limit
  std::uint32_t heapLimitKiB = 64 * 1024;   // backtracking memory of the interpreter
  std::size_t jitStackBytes = 1024 * 1024;  // largest JIT stack, reserved on first use
  bool useJit = true;  // false runs the interpreter only (also used when JIT is unavailable)
  // Work budget of one FindAll call: budgetBase plus budgetPerMiB for each MiB of the text (the
  // slowest real 1 MB page takes under 40 ms in the interpreter).
  std::chrono::nanoseconds budgetBase = std::chrono::milliseconds(50);
  std::chrono::nanoseconds budgetPerMiB = std::chrono::milliseconds(100);
  // What the budget is measured on: the calling thread's processor time by default, so that a
  // loaded machine does not fail real pages. Tests give a clock of their own.
  std::chrono::nanoseconds (*clock)() = nullptr;
};

class TRegExp {
 public:
  TRegExp();
  explicit TRegExp(const TRegExpLimits& limits);
  ~TRegExp();
  TRegExp(const TRegExp&) = delete;
  TRegExp& operator=(const TRegExp&) = delete;

  // The texts of all matches of `pattern` in `text`, in order; an empty list when there is none.
  // After an empty match the search resumes one character further on.
  std::vector<std::string> FindAll(std::string_view text, std::string_view pattern);

  // The pattern PCRE2 is given for `pattern` (UTF-8, after the lazy-loop rewrite).
  static std::string PreparePattern(std::string_view patternUtf8);

  // Makes every object that has not searched yet run the interpreter only, as on a system where
  // JIT code cannot be made (tests and fuzzers of the interpreter path). Process-wide.
  static void SetInterpreterOnlyForTesting(bool on);

 private:
  struct TState;
  TRegExpLimits limits_;
  std::unique_ptr<TState> state_;
};

}  // namespace vlmr
