#include "engine/EmailForms.h"

#include <array>

#include "base/Text.h"

namespace vlmr {
namespace {

// Stands for every character that is not ASCII in the working copy: it belongs to no address.
constexpr char kOther = '\x01';

bool IsAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}
bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsLocalChar(char c) {
  return IsAlnum(c) || c == '.' || c == '_' || c == '%' || c == '+' || c == '-';
}
bool IsDomainChar(char c) {
  return IsAlnum(c) || c == '.' || c == '-';
}

// True when the page asks its reader to put "@" for "#".
bool AsksForHashSwap(std::string_view text) {
  static const std::array<std::string, 6> kSwapWords = {Utf8ToGbk("换成"),   Utf8ToGbk("改成"),
                                                        Utf8ToGbk("改为"),   Utf8ToGbk("替换为"),
                                                        Utf8ToGbk("替换成"), Utf8ToGbk("换为")};
  std::size_t hash = 0;
  while ((hash = text.find('#', hash)) != std::string_view::npos) {
    const std::string_view after = text.substr(hash + 1, 24);
    for (const std::string& word : kSwapWords) {
      const std::size_t at = after.find(word);
      if (at != std::string_view::npos &&
          after.substr(at + word.size(), 8).find('@') != std::string_view::npos) {
        return true;
      }
    }
    ++hash;
  }
  return false;
}

// `text` at `pos` holds `word` (lower case) in brackets, with blanks inside or around allowed:
// the length of the whole form, or 0.
std::size_t BracketedWord(std::string_view text, std::size_t pos, std::string_view word) {
  static constexpr std::string_view kOpen = "[({", kClose = "])}";
  std::size_t i = pos;
  while (i < text.size() && text[i] == ' ') {
    ++i;
  }
  const std::size_t open = i < text.size() ? kOpen.find(text[i]) : std::string_view::npos;
  if (open == std::string_view::npos) {
    return 0;
  }
  ++i;
  while (i < text.size() && text[i] == ' ') {
    ++i;
  }
  if (text.size() - i < word.size() || !SameText(text.substr(i, word.size()), word)) {
    return 0;
  }
  i += word.size();
  while (i < text.size() && text[i] == ' ') {
    ++i;
  }
  if (i >= text.size() || text[i] != kClose[open]) {
    return 0;
  }
  ++i;
  while (i < text.size() && text[i] == ' ') {
    ++i;
  }
  return i - pos;
}

// " at " / " dot " in one letter case, between alphanumerics: the word as written, or empty.
bool SpacedWord(std::string_view text, std::size_t pos, std::string_view lower,
                std::string_view upper) {
  const std::size_t n = lower.size() + 2;
  if (text.size() - pos < n + 1 || pos == 0 || !IsAlnum(text[pos - 1]) || text[pos] != ' ' ||
      text[pos + n - 1] != ' ' || !IsAlnum(text[pos + n])) {
    return false;
  }
  const std::string_view word = text.substr(pos + 1, lower.size());
  return word == lower || word == upper;
}

// " at " followed by a label and " dot " of the same case.
bool SpacedAt(std::string_view text, std::size_t pos) {
  for (const auto& [at, dot] : {std::pair{"at", "dot"}, std::pair{"AT", "DOT"}}) {
    if (!SpacedWord(text, pos, at, at)) {
      continue;
    }
    std::size_t i = pos + 4;
    while (i < text.size() && (IsAlnum(text[i]) || text[i] == '-')) {
      ++i;
    }
    if (SpacedWord(text, i, dot, dot)) {
      return true;
    }
  }
  return false;
}

// True when the text may hold a written form of "@" or "." in words or brackets: " at ", " AT ",
// or a closing bracket after "at" or "dot" (blanks between allowed).
bool MayHoldWordForms(std::string_view text) {
  if (text.find(" at ") != std::string_view::npos || text.find(" AT ") != std::string_view::npos) {
    return true;
  }
  std::size_t close = 0;
  while ((close = text.find_first_of("])}", close)) != std::string_view::npos) {
    std::size_t end = close;
    while (end > 0 && text[end - 1] == ' ') {
      --end;
    }
    const std::string_view before = text.substr(0, end);
    if ((before.size() >= 2 && SameText(before.substr(before.size() - 2), "at")) ||
        (before.size() >= 3 && SameText(before.substr(before.size() - 3), "dot"))) {
      return true;
    }
    ++close;
  }
  return false;
}

// The copy with every non-ASCII character as kOther and the written forms as "@" and ".".
std::string Unmask(std::string_view text) {
  const bool hashSwap = text.find('#') != std::string_view::npos && AsksForHashSwap(text);
  const bool wordForms = MayHoldWordForms(text);
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (IsGbkLeadByte(c)) {
      out.push_back(kOther);
      i += GbkCharLength(text, i);
      continue;
    }
    const bool afterWord = !out.empty() && IsAlnum(out.back());
    if (wordForms && afterWord && (c == ' ' || c == '[' || c == '(' || c == '{')) {
      if (const std::size_t n = BracketedWord(text, i, "at"); n > 0) {
        out.push_back('@');
        i += n;
        continue;
      }
      if (const std::size_t n = BracketedWord(text, i, "dot"); n > 0) {
        out.push_back('.');
        i += n;
        continue;
      }
      if (c == ' ' && SpacedAt(text, i)) {
        out.push_back('@');
        i += 4;
        continue;
      }
      if (c == ' ' && (SpacedWord(text, i, "dot", "DOT"))) {
        out.push_back('.');
        i += 5;
        continue;
      }
    }
    if (c == '#' && hashSwap && afterWord && i + 1 < text.size() && IsAlnum(text[i + 1])) {
      out.push_back('@');
      ++i;
      continue;
    }
    out.push_back(c);
    ++i;
  }
  return out;
}

// The valid address around the "@" at `at`, or empty.
std::string AddressAt(std::string_view text, std::size_t at) {
  std::size_t begin = at;
  while (begin > 0 && IsLocalChar(text[begin - 1])) {
    --begin;
  }
  std::size_t end = at + 1;
  while (end < text.size() && IsDomainChar(text[end])) {
    ++end;
  }
  while (end > at + 1 && (text[end - 1] == '.' || text[end - 1] == '-')) {
    --end;
  }
  const std::string_view local = text.substr(begin, at - begin);
  const std::string_view domain = text.substr(at + 1, end - at - 1);
  if (local.empty() || local.front() == '.' || local.back() == '.' || local.size() > 64 ||
      domain.size() > 253) {
    return {};
  }
  // Labels: not empty, no hyphen at either end; at least two; the last 2 to 6 letters.
  std::size_t labels = 0;
  std::size_t start = 0;
  std::string_view last;
  while (true) {
    const std::size_t dot = domain.find('.', start);
    const std::string_view label =
        domain.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    if (label.empty() || label.front() == '-' || label.back() == '-') {
      return {};
    }
    ++labels;
    last = label;
    if (dot == std::string_view::npos) {
      break;
    }
    start = dot + 1;
  }
  if (labels < 2 || last.size() < 2 || last.size() > 6) {
    return {};
  }
  for (char c : last) {
    if (!IsLetter(c)) {
      return {};
    }
  }
  return std::string(text.substr(begin, end - begin));
}

// The addresses written plainly: every "@" with the run of local-part characters before it,
// read on character boundaries (a byte of a double-byte character is never taken).
void PlainAddresses(std::string_view text, std::vector<std::string>& found) {
  std::size_t runStart = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (IsGbkLeadByte(c)) {
      i += GbkCharLength(text, i);
      runStart = i;
      continue;
    }
    if (c == '@') {
      // AddressAt reads back over local-part characters only, and the run began on a boundary.
      if (std::string address = AddressAt(text.substr(runStart), i - runStart); !address.empty()) {
        found.push_back(std::move(address));
      }
      runStart = i + 1;
    } else if (!IsLocalChar(c)) {
      runStart = i + 1;
    }
    ++i;
  }
}

}  // namespace

std::vector<std::string> WrittenEmails(std::string_view readable) {
  std::vector<std::string> found;
  const bool hashSwap = readable.find('#') != std::string_view::npos && AsksForHashSwap(readable);
  if (!hashSwap && !MayHoldWordForms(readable)) {
    if (readable.find('@') != std::string_view::npos) {
      PlainAddresses(readable, found);
    }
    return found;
  }
  const std::string text = Unmask(readable);
  std::size_t at = 0;
  while ((at = text.find('@', at)) != std::string::npos) {
    if (std::string address = AddressAt(text, at); !address.empty()) {
      found.push_back(std::move(address));
    }
    ++at;
  }
  return found;
}

}  // namespace vlmr
