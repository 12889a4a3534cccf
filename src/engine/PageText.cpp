#include "engine/PageText.h"

#include <algorithm>

#include "base/Text.h"
#include "net/HttpFetch.h"

namespace vlmr {

std::string JoinLines(const std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const auto& line : lines) {
    size += line.size() + 2;
  }
  std::string text;
  text.reserve(size);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) {
      text += "\r\n";
    }
    text += lines[i];
  }
  return text;
}

std::string DecodePageText(std::string_view bytes) {
  // ASCII reads the same in both character sets: nothing to convert.
  if (std::all_of(bytes.begin(), bytes.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return std::string(bytes);
  }
  std::string gbk = Utf8ToGbk(bytes);
  if (gbk.empty()) {
    return std::string(bytes);
  }
  return gbk;
}

std::string PageTextOfLines(const std::vector<std::string>& lines, bool trim) {
  std::string joined = JoinLines(lines);
  if (trim) {
    joined = Trim(joined);
  }
  return DecodePageText(joined);
}

std::string PageTextOfBody(std::string_view body, bool trim) {
  return PageTextOfLines(SplitLines(body), trim);
}

std::string LowerBytes(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    c = static_cast<char>(c | ((c >= 'A' && c <= 'Z') ? 0x20 : 0));
  }
  return out;
}

std::size_t FindAsciiNoCase(std::string_view text, std::string_view lowerNeedle, std::size_t from) {
  constexpr std::size_t npos = std::string_view::npos;
  const char first = lowerNeedle.front();
  const bool letter = first >= 'a' && first <= 'z';
  const char upper = letter ? static_cast<char>(first - 'a' + 'A') : first;
  auto lower = [](char c) { return static_cast<char>(c | ((c >= 'A' && c <= 'Z') ? 0x20 : 0)); };
  // The next place of each form of the first character, each searched for once passed.
  std::size_t nextLower = text.find(first, from);
  std::size_t nextUpper = letter ? text.find(upper, from) : npos;
  while (true) {
    const std::size_t pos = std::min(nextLower, nextUpper);
    if (pos == npos || text.size() - pos < lowerNeedle.size()) {
      return npos;
    }
    std::size_t i = 1;
    while (i < lowerNeedle.size() && lower(text[pos + i]) == lowerNeedle[i]) {
      ++i;
    }
    if (i == lowerNeedle.size()) {
      return pos;
    }
    if (pos == nextLower) {
      nextLower = text.find(first, pos + 1);
    } else {
      nextUpper = text.find(upper, pos + 1);
    }
  }
}

std::size_t FindGbk(std::string_view text, std::string_view needle, std::size_t from) {
  if (needle.empty()) {
    return from <= text.size() ? from : std::string_view::npos;
  }
  // A byte below 0x81 never begins a double-byte character, so the position after it is a
  // boundary whether it stood alone or ended a pair. A byte-wise hit is a boundary when the
  // run of lead-range bytes between the last such byte (or the last known boundary) and the
  // hit has an even length. Each byte is looked at once, however many hits fall inside pairs.
  std::size_t boundary = from;
  std::size_t hit = text.find(needle, from);
  while (hit != std::string_view::npos) {
    std::size_t start = hit;
    while (start > boundary && IsGbkLeadByte(text[start - 1])) {
      --start;
    }
    if ((hit - start) % 2 == 0) {
      return hit;
    }
    // The hit is the second byte of a pair: the next boundary follows it.
    boundary = hit + 1;
    hit = text.find(needle, boundary);
  }
  return std::string_view::npos;
}

std::size_t RFindGbk(std::string_view text, std::string_view needle) {
  if (needle.empty()) {
    return text.size();
  }
  std::size_t last = std::string_view::npos;
  std::size_t pos = FindGbk(text, needle, 0);
  while (pos != std::string_view::npos) {
    last = pos;
    std::size_t next = pos + GbkCharLength(text, pos);
    if (next > text.size()) {
      break;
    }
    pos = FindGbk(text, needle, next);
  }
  return last;
}

}  // namespace vlmr
