#include "engine/RegExp.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <unordered_map>

#include "base/Text.h"

namespace vlmr {
namespace {

// The lazy any-character loop the collectors write, and the single-class loop it is run as. As
// written, "." and "[\r\n]" both match a carriage return, so on a CR LF page an anchor without
// "</a>" makes the group backtrack through 2^n ways of reading n line ends.
constexpr std::string_view kLazyAnyGroup = R"((?:.|[\r\n])*?)";
constexpr std::string_view kLazyAnyClass = R"([\s\S]*?)";

// UTF mode with caseless matching; no Unicode properties, so \d, \s and \w stay ASCII. The other
// options give the script dialect's readings: "$" only at the very end, "\xhh" and "\uhhhh"
// escapes, an unset back reference matching the empty text, "[]" and "[^]" as classes.
// (*UCP) and \C cannot be switched on from inside a pattern.
constexpr std::uint32_t kCompileOptions =
    PCRE2_UTF | PCRE2_CASELESS | PCRE2_DOLLAR_ENDONLY | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF |
    PCRE2_ALLOW_EMPTY_CLASS | PCRE2_NEVER_UCP | PCRE2_NEVER_BACKSLASH_C;

// Upper bound of the compiled-pattern cache. Owners run a handful of fixed patterns; a caller
// that builds patterns from data must not make the cache grow without end.
constexpr std::size_t kCacheLimit = 64;

// The interpreter's form of a pattern opens with a callout, which runs before every attempt, so
// that the work budget is checked as attempts start. The group keeps top-level alternatives
// under the callout; "\E" ends a "\Q" the pattern left open and is ignored otherwise. JIT code
// runs the pattern as written: any callout turns off the JIT's early-fail optimisation, which is
// what keeps the hostile shapes linear there (an attempt that fails where an earlier one failed
// stops at once).
constexpr std::string_view kAttemptOpen = "(?C1)(?:";
constexpr std::string_view kAttemptClose = "\\E)";

// JIT code searches at most this many bytes of start positions per call, so that the budget is
// checked between calls even on a page where one call would try every start of the page.
constexpr PCRE2_SIZE kJitStartWindow = 64 * 1024;

// Reading the processor clock is a system call: the budget reads it about once per this much
// work, judged by the cost per attempt seen so far.
constexpr std::chrono::nanoseconds kCheckEvery = std::chrono::microseconds(500);
constexpr std::uint64_t kMaxAttemptsPerCheck = 256;

std::atomic<bool> interpreterOnly{false};

std::chrono::nanoseconds ThreadCpuTime() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// The work budget of the FindAll call in progress, counted in attempts (interpreter) or
// searches (JIT code).
class TBudget {
 public:
  void Start(std::chrono::nanoseconds (*clockFn)(), std::chrono::nanoseconds allowed) {
    clock_ = clockFn;
    lastCheck_ = clock_();
    deadline_ = lastCheck_ + allowed;
    attempts_ = 0;
    sinceCheck_ = 0;
    interval_ = 1;
    spent_ = false;
  }

  // False once the budget is spent.
  bool Attempt() {
    ++attempts_;
    if (++sinceCheck_ < interval_) {
      return true;
    }
    const std::chrono::nanoseconds now = clock_();
    if (now >= deadline_) {
      spent_ = true;
      return false;
    }
    // The interval grows at most twofold per check: the first checks come before much work.
    const auto perAttempt = (now - lastCheck_) / static_cast<std::int64_t>(sinceCheck_);
    const std::uint64_t most = std::min(interval_ * 2, kMaxAttemptsPerCheck);
    interval_ = perAttempt.count() > 0
                    ? std::clamp<std::uint64_t>(
                          static_cast<std::uint64_t>(kCheckEvery / perAttempt), 1, most)
                    : most;
    lastCheck_ = now;
    sinceCheck_ = 0;
    return true;
  }

  bool Spent() const { return spent_; }
  std::uint64_t Attempts() const { return attempts_; }

 private:
  std::chrono::nanoseconds (*clock_)() = ThreadCpuTime;
  std::chrono::nanoseconds deadline_{};
  std::chrono::nanoseconds lastCheck_{};
  std::uint64_t attempts_ = 0;
  std::uint64_t sinceCheck_ = 0;
  std::uint64_t interval_ = 1;
  bool spent_ = false;
};

int OnAttempt(pcre2_callout_block*, void* data) {
  return static_cast<TBudget*>(data)->Attempt() ? 0 : PCRE2_ERROR_CALLOUT;
}

std::string Pcre2Message(int code) {
  PCRE2_UCHAR buffer[256];
  int n = pcre2_get_error_message(code, buffer, sizeof buffer);
  if (n < 0) {
    return "PCRE2 error " + std::to_string(code);
  }
  return std::string(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
}

std::size_t Utf8Length(unsigned char lead) {
  if (lead < 0xC0)
    return 1;
  if (lead < 0xE0)
    return 2;
  if (lead < 0xF0)
    return 3;
  return 4;
}

std::size_t Count(std::string_view text, char c) {
  std::size_t n = 0;
  for (char x : text) {
    n += (x == c);
  }
  return n;
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      return false;
    }
  }
  return true;
}

// A match is valid UTF-8 on character boundaries; ASCII is the same text in both encodings.
std::string MatchToGbk(std::string_view utf8) {
  if (IsAscii(utf8)) {
    return std::string(utf8);
  }
  return Utf8ToGbk(utf8);
}

struct CodeDeleter {
  void operator()(pcre2_code* p) const { pcre2_code_free(p); }
};
struct CompileContextDeleter {
  void operator()(pcre2_compile_context* p) const { pcre2_compile_context_free(p); }
};
struct MatchContextDeleter {
  void operator()(pcre2_match_context* p) const { pcre2_match_context_free(p); }
};
struct MatchDataDeleter {
  void operator()(pcre2_match_data* p) const { pcre2_match_data_free(p); }
};
struct JitStackDeleter {
  void operator()(pcre2_jit_stack* p) const { pcre2_jit_stack_free(p); }
};

using CodePtr = std::unique_ptr<pcre2_code, CodeDeleter>;

struct TCompiled {
  CodePtr code;
  bool jit = false;             // JIT code, searched a window of start positions per call
  bool countsAttempts = false;  // opens with the attempt callout
};

bool JitAvailable() {
  std::uint32_t jit = 0;
  return pcre2_config(PCRE2_CONFIG_JIT, &jit) >= 0 && jit != 0;
}

}  // namespace

struct TRegExp::TState {
  std::unique_ptr<pcre2_compile_context, CompileContextDeleter> compileContext;
  std::unique_ptr<pcre2_match_context, MatchContextDeleter> matchContext;
  std::unique_ptr<pcre2_jit_stack, JitStackDeleter> jitStack;
  // One ovector pair: only the whole match is read, and PCRE2 still matches patterns with more
  // groups (it reports 0, "ovector too small", on success).
  std::unique_ptr<pcre2_match_data, MatchDataDeleter> matchData;
  bool jit = false;
  std::chrono::nanoseconds (*clock)() = ThreadCpuTime;
  TBudget budget;
  // Keyed by the pattern as the caller passed it (GBK).
  std::unordered_map<std::string, TCompiled> cache;
  // The last text searched and its checked UTF-8 form: callers run many patterns over one page,
  // and the conversion costs more than most searches.
  std::string lastText;
  std::string lastUtf8;

  explicit TState(const TRegExpLimits& limits) {
    compileContext.reset(pcre2_compile_context_create(nullptr));
    matchContext.reset(pcre2_match_context_create(nullptr));
    matchData.reset(pcre2_match_data_create(1, nullptr));
    if (!compileContext || !matchContext || !matchData) {
      throw ERegExpError(ERegExpError::TKind::LimitHit,
                         "out of memory preparing the pattern engine");
    }
    pcre2_set_newline(compileContext.get(), PCRE2_NEWLINE_LF);
    pcre2_set_match_limit(matchContext.get(), limits.matchLimit);
    pcre2_set_heap_limit(matchContext.get(), limits.heapLimitKiB);
    pcre2_set_callout(matchContext.get(), OnAttempt, &budget);
    if (limits.clock) {
      clock = limits.clock;
    }
    jit = limits.useJit && !interpreterOnly.load() && JitAvailable();
    if (jit) {
      std::size_t start = limits.jitStackBytes < 32 * 1024 ? limits.jitStackBytes : 32 * 1024;
      jitStack.reset(pcre2_jit_stack_create(start, limits.jitStackBytes, nullptr));
      // Without a stack of its own JIT code runs on a small block of the machine stack; it still
      // works, it only reaches its stack limit sooner.
      if (jitStack) {
        pcre2_jit_stack_assign(matchContext.get(), nullptr, jitStack.get());
      }
    }
  }

  const TCompiled& Compiled(std::string_view pattern) {
    auto found = cache.find(std::string(pattern));
    if (found != cache.end()) {
      return found->second;
    }
    std::string utf8 = GbkToUtf8(pattern);
    // GbkToUtf8 writes "?" for each byte that is not GBK. In a pattern that would silently turn
    // into a quantifier, so a pattern that does not convert cleanly is refused.
    if (Count(utf8, '?') != Count(pattern, '?')) {
      throw ERegExpError(ERegExpError::TKind::BadPattern, "the pattern is not GBK text");
    }
    std::string prepared = PreparePattern(utf8);
    // The pattern as written decides whether it is valid and where an error lies.
    int error = 0;
    PCRE2_SIZE offset = 0;
    TCompiled compiled;
    compiled.code = Compile(prepared, 0, &error, &offset);
    if (!compiled.code) {
      throw ERegExpError(
          ERegExpError::TKind::BadPattern,
          "pattern error at offset " + std::to_string(offset) + ": " + Pcre2Message(error));
    }
    if (jit) {
      if (CodePtr windowed = Compile(prepared, PCRE2_USE_OFFSET_LIMIT, &error, &offset);
          windowed && pcre2_jit_compile(windowed.get(), PCRE2_JIT_COMPLETE) == 0) {
        compiled.code = std::move(windowed);
        compiled.jit = true;
      }
    }
    if (!compiled.jit) {
      // A pattern whose end the wrapping would change (a comment in extended mode, a
      // start-of-pattern setting) keeps its own form; its budget is then checked between
      // searches only.
      std::string counted;
      counted.reserve(prepared.size() + kAttemptOpen.size() + kAttemptClose.size());
      counted.append(kAttemptOpen).append(prepared).append(kAttemptClose);
      if (CodePtr wrapped = Compile(counted, 0, &error, &offset)) {
        compiled.code = std::move(wrapped);
        compiled.countsAttempts = true;
      }
    }
    if (cache.size() >= kCacheLimit) {
      cache.clear();
    }
    return cache.emplace(std::string(pattern), std::move(compiled)).first->second;
  }

  CodePtr Compile(const std::string& utf8, std::uint32_t options, int* error, PCRE2_SIZE* offset) {
    return CodePtr(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8.data()), utf8.size(),
                                 kCompileOptions | options, error, offset, compileContext.get()));
  }
};

TRegExp::TRegExp() = default;
TRegExp::TRegExp(const TRegExpLimits& limits) : limits_(limits) {}
TRegExp::~TRegExp() = default;

std::string TRegExp::PreparePattern(std::string_view patternUtf8) {
  std::string out;
  out.reserve(patternUtf8.size());
  std::size_t i = 0;
  while (i < patternUtf8.size()) {
    std::size_t hit = patternUtf8.find(kLazyAnyGroup, i);
    if (hit == std::string_view::npos) {
      break;
    }
    // An odd run of backslashes before the "(" makes it a literal parenthesis, not a group.
    std::size_t slashes = 0;
    while (slashes < hit && patternUtf8[hit - 1 - slashes] == '\\') {
      ++slashes;
    }
    out.append(patternUtf8.substr(i, hit - i));
    if (slashes % 2 == 0) {
      out.append(kLazyAnyClass);
      i = hit + kLazyAnyGroup.size();
    } else {
      out.push_back(patternUtf8[hit]);
      i = hit + 1;
    }
  }
  out.append(patternUtf8.substr(i));
  return out;
}

std::vector<std::string> TRegExp::FindAll(std::string_view text, std::string_view pattern) {
  if (!state_) {
    state_ = std::make_unique<TState>(limits_);
  }
  const TCompiled& compiled = state_->Compiled(pattern);
  const pcre2_code* code = compiled.code.get();

  if (text != state_->lastText) {
    std::string converted = GbkToUtf8(text);
    // Checked once here, so that the searches below may skip PCRE2's own check of the text.
    if (!IsValidUtf8(converted)) {
      throw ERegExpError(ERegExpError::TKind::BadText, "the text did not convert to UTF-8");
    }
    state_->lastText.assign(text);
    state_->lastUtf8 = std::move(converted);
  }
  const std::string& utf8 = state_->lastUtf8;
  const auto* subject = reinterpret_cast<PCRE2_SPTR>(utf8.data());
  const PCRE2_SIZE size = utf8.size();
  pcre2_match_data* data = state_->matchData.get();
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);

  TBudget& budget = state_->budget;
  budget.Start(state_->clock,
               limits_.budgetBase +
                   std::chrono::duration_cast<std::chrono::nanoseconds>(
                       limits_.budgetPerMiB * (static_cast<double>(size) / (1024.0 * 1024.0))));
  pcre2_match_context* context = state_->matchContext.get();

  std::vector<std::string> matches;
  PCRE2_SIZE start = 0;
  while (start <= size) {
    // Searches without the callout count as one attempt each.
    if (!compiled.countsAttempts && !budget.Attempt()) {
      break;
    }
    pcre2_set_offset_limit(context, compiled.jit ? start + kJitStartWindow : PCRE2_UNSET);
    int rc = pcre2_match(code, subject, size, start, PCRE2_NO_UTF_CHECK, data, context);
    if (rc == PCRE2_ERROR_NOMATCH) {
      if (!compiled.jit || size - start <= kJitStartWindow) {
        break;
      }
      // Nothing starts in this window: go on after it, at a character's first byte.
      start += kJitStartWindow + 1;
      while (start < size && (subject[start] & 0xC0) == 0x80) {
        ++start;
      }
      continue;
    }
    if (rc < 0) {
      if (budget.Spent()) {
        break;
      }
      bool limit = rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_HEAPLIMIT ||
                   rc == PCRE2_ERROR_DEPTHLIMIT || rc == PCRE2_ERROR_JIT_STACKLIMIT ||
                   rc == PCRE2_ERROR_NOMEMORY;
      throw ERegExpError(limit ? ERegExpError::TKind::LimitHit : ERegExpError::TKind::Internal,
                         "matching failed: " + Pcre2Message(rc));
    }
    PCRE2_SIZE from = ovector[0];
    PCRE2_SIZE to = ovector[1];
    if (from > to || to > size) {
      throw ERegExpError(ERegExpError::TKind::Internal, "the match has no well-formed extent");
    }
    matches.push_back(MatchToGbk(std::string_view(utf8).substr(from, to - from)));
    if (to > from) {
      start = to;
    } else if (to < size) {
      // An empty match: step over one whole character, so the search neither repeats nor lands
      // inside a multi-byte character.
      start = to + Utf8Length(subject[to]);
    } else {
      break;
    }
  }
  if (budget.Spent()) {
    throw ERegExpError(ERegExpError::TKind::LimitHit,
                       "matching failed: the work budget for this text was spent after " +
                           std::to_string(budget.Attempts()) + " attempts");
  }
  return matches;
}

void TRegExp::SetInterpreterOnlyForTesting(bool on) {
  interpreterOnly.store(on);
}

}  // namespace vlmr
