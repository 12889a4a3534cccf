#include "engine/PageCharset.h"

#include <algorithm>

#include "base/Text.h"
#include "engine/PageText.h"
#include "net/HttpFetch.h"

namespace vlmr {
namespace {

constexpr std::size_t kMetaScanBytes = 8192;

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.' || c == ':';
}

// The set named by the first <meta> tag that has a charset parameter or attribute.
TPageCharset MetaCharset(std::string_view page) {
  // "<" is below 0x40, never the second byte of a double-byte character: a byte search of the
  // lowered text finds only real tags.
  const std::string head = GbkLower(page);
  std::size_t pos = 0;
  while ((pos = head.find("<meta", pos)) != std::string::npos) {
    const std::size_t end = head.find('>', pos);
    const std::string_view tag = std::string_view(head).substr(
        pos, end == std::string::npos ? std::string_view::npos : end - pos);
    if (std::string name = CharsetParameter(tag); !name.empty()) {
      if (TPageCharset set = CharsetOfName(name); set != TPageCharset::Unknown) {
        return set;
      }
    }
    if (end == std::string::npos) {
      break;
    }
    pos = end;
  }
  return TPageCharset::Unknown;
}

// Line breaks of any kind as CR LF, and the trim; the text is GBK, whose double-byte characters
// never hold a CR or LF byte.
std::string NormalizeLines(std::string_view text, bool trim) {
  std::string joined = JoinLines(SplitLines(text));
  return trim ? Trim(joined) : joined;
}

}  // namespace

TPageCharset CharsetOfName(std::string_view name) {
  const std::string n = GbkLower(Trim(name));
  if (n == "utf-8" || n == "utf8") {
    return TPageCharset::Utf8;
  }
  for (const char* gbk : {"gbk", "gb2312", "gb18030", "x-gbk", "cp936", "windows-936", "euc-cn",
                          "gb_2312-80", "csgb2312"}) {
    if (n == gbk) {
      return TPageCharset::Gbk;
    }
  }
  for (const char* big5 : {"big5", "big5-hkscs", "x-x-big5", "cp950", "csbig5"}) {
    if (n == big5) {
      return TPageCharset::Big5;
    }
  }
  if (n == "utf-16le") {
    return TPageCharset::Utf16Le;
  }
  if (n == "utf-16be") {
    return TPageCharset::Utf16Be;
  }
  return TPageCharset::Unknown;
}

std::string CharsetParameter(std::string_view text) {
  std::size_t pos = FindNoCase(text, "charset");
  if (pos == std::string_view::npos) {
    return {};
  }
  pos += 7;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
    ++pos;
  }
  if (pos >= text.size() || text[pos] != '=') {
    return {};
  }
  ++pos;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '"' || text[pos] == '\'')) {
    ++pos;
  }
  std::size_t end = pos;
  while (end < text.size() && IsNameChar(text[end])) {
    ++end;
  }
  return std::string(text.substr(pos, end - pos));
}

TPageCharset DeclaredCharset(std::string_view body, std::string_view contentType,
                             std::size_t& markBytes) {
  markBytes = 0;
  if (body.starts_with("\xEF\xBB\xBF")) {
    markBytes = 3;
    return TPageCharset::Utf8;
  }
  if (body.starts_with("\xFF\xFE")) {
    markBytes = 2;
    return TPageCharset::Utf16Le;
  }
  if (body.starts_with("\xFE\xFF")) {
    markBytes = 2;
    return TPageCharset::Utf16Be;
  }
  if (TPageCharset set = CharsetOfName(CharsetParameter(contentType));
      set != TPageCharset::Unknown) {
    return set;
  }
  return MetaCharset(body.substr(0, kMetaScanBytes));
}

std::string DecodePage(std::string_view body, std::string_view contentType, bool trim) {
  std::size_t mark = 0;
  const TPageCharset set = DeclaredCharset(body, contentType, mark);
  const std::string_view bytes = body.substr(mark);
  std::string gbk;
  switch (set) {
    case TPageCharset::Gbk:
      return NormalizeLines(bytes, trim);
    case TPageCharset::Utf8:
      if (IsValidUtf8(bytes)) {
        return NormalizeLines(Utf8ToGbk(bytes), trim);
      }
      break;
    case TPageCharset::Big5:
      if (CharsetToGbk(bytes, "BIG5-HKSCS", gbk)) {
        return NormalizeLines(gbk, trim);
      }
      break;
    case TPageCharset::Utf16Le:
    case TPageCharset::Utf16Be:
      if (CharsetToGbk(bytes, set == TPageCharset::Utf16Le ? "UTF-16LE" : "UTF-16BE", gbk)) {
        return NormalizeLines(gbk, trim);
      }
      break;
    case TPageCharset::Unknown:
      break;
  }
  return NormalizeLines(DecodePageText(bytes), trim);
}

}  // namespace vlmr
