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

std::size_t FindGbk(std::string_view text, std::string_view needle, std::size_t from) {
  if (needle.empty()) {
    return from <= text.size() ? from : std::string_view::npos;
  }
  // `boundary` walks the characters; a byte-wise hit counts only when the walk lands on it.
  std::size_t boundary = from;
  std::size_t hit = text.find(needle, from);
  while (hit != std::string_view::npos) {
    while (boundary < hit) {
      boundary += GbkCharLength(text, boundary);
    }
    if (boundary == hit) {
      return hit;
    }
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
