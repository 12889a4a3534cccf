#include "engine/ReadableText.h"

#include <cstdint>

#include "base/Text.h"
#include "engine/PageText.h"
#include "engine/SiteLinks.h"

namespace vlmr {
namespace {

constexpr std::size_t kMaxValueBytes = 256;

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsAlnum(char c) {
  return IsLetter(c) || (c >= '0' && c <= '9');
}
char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsInlineTag(std::string_view name) {
  switch (name.size()) {
    case 1:
      return name == "a" || name == "b" || name == "i" || name == "u" || name == "s";
    case 2:
      return name == "em";
    case 3:
      return name == "sub" || name == "sup" || name == "big" || name == "img" || name == "ins" ||
             name == "del";
    case 4:
      return name == "span" || name == "font" || name == "abbr";
    case 5:
      return name == "small" || name == "label";
    case 6:
      return name == "strong" || name == "strike";
    default:
      return false;
  }
}

// The copy being written: blanks collapse, and a line break replaces a blank before it. It is
// never longer than the page (a tag gives at most one byte, an entity at most as many bytes as
// it has), so it is written into a buffer of the page's size.
class TCopy {
 public:
  explicit TCopy(std::size_t pageSize) : out_(pageSize + 1, '\0') {}
  void Blank() {
    if (size_ > 0 && Last() != ' ' && Last() != '\n') {
      out_[size_++] = ' ';
    }
  }
  void Break() {
    if (size_ == 0) {
      return;
    }
    if (Last() == ' ') {
      out_[size_ - 1] = '\n';
    } else if (Last() != '\n') {
      out_[size_++] = '\n';
    }
  }
  void Char(char c) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      Blank();
    } else {
      out_[size_++] = c;
    }
  }
  void Pair(char lead, char trail) {
    out_[size_++] = lead;
    out_[size_++] = trail;
  }
  void Text(std::string_view text) {
    for (char c : text) {
      Char(c);
    }
  }
  std::string Take() {
    out_.resize(size_);
    return std::move(out_);
  }

 private:
  char Last() const { return out_[size_ - 1]; }
  std::string out_;
  std::size_t size_ = 0;
};

void AppendUtf8(std::uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// The GBK text of a code point read from an entity; empty for none.
std::string CodePointText(std::uint32_t cp) {
  if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    return {};
  }
  if (cp == 0xA0 || cp == 0x3000 || (cp >= 0x2002 && cp <= 0x200A)) {
    return " ";
  }
  if (cp >= 0xFF01 && cp <= 0xFF5E) {
    return std::string(1, static_cast<char>(cp - 0xFEE0));
  }
  if (cp < 0x80) {
    return std::string(1, static_cast<char>(cp));
  }
  std::string utf8;
  AppendUtf8(cp, utf8);
  return Utf8ToGbk(utf8);
}

// The entity at `pos` ("&" there): its text and length; length 0 when it is none.
std::size_t Entity(std::string_view page, std::size_t pos, std::string& text) {
  std::size_t i = pos + 1;
  if (i < page.size() && page[i] == '#') {
    ++i;
    const bool hex = i < page.size() && (page[i] == 'x' || page[i] == 'X');
    if (hex) {
      ++i;
    }
    std::uint32_t cp = 0;
    std::size_t digits = 0;
    while (i < page.size() && digits < 8) {
      const char c = Lower(page[i]);
      int v = -1;
      if (c >= '0' && c <= '9') {
        v = c - '0';
      } else if (hex && c >= 'a' && c <= 'f') {
        v = c - 'a' + 10;
      }
      if (v < 0) {
        break;
      }
      cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
      ++i;
      ++digits;
    }
    if (digits == 0 || i >= page.size() || page[i] != ';') {
      return 0;
    }
    text = CodePointText(cp);
    return text.empty() ? 0 : i + 1 - pos;
  }
  std::size_t end = i;
  while (end < page.size() && end - i < 8 && IsAlnum(page[end])) {
    ++end;
  }
  std::string name;
  for (std::size_t k = i; k < end; ++k) {
    name.push_back(Lower(page[k]));
  }
  const bool closed = end < page.size() && page[end] == ';';
  struct TNamed {
    const char* name;
    const char* text;
  };
  static constexpr TNamed kNamed[] = {{"nbsp", " "}, {"amp", "&"},   {"lt", "<"},
                                      {"gt", ">"},   {"quot", "\""}, {"apos", "'"},
                                      {"ensp", " "}, {"emsp", " "},  {"thinsp", " "}};
  for (const TNamed& n : kNamed) {
    if (name == n.name && (closed || name == "nbsp")) {
      text = n.text;
      return end - pos + (closed ? 1 : 0);
    }
  }
  return 0;
}

// Past the end of an element's contents: the "</name" that closes it, then its ">"; the end of
// the page when it never closes.
std::size_t SkipContents(std::string_view page, std::size_t from, std::string_view name) {
  std::size_t pos = from;
  while ((pos = page.find("</", pos)) != std::string_view::npos) {
    std::size_t k = 0;
    while (k < name.size() && pos + 2 + k < page.size() && Lower(page[pos + 2 + k]) == name[k]) {
      ++k;
    }
    if (k == name.size()) {
      const std::size_t close = page.find('>', pos);
      return close == std::string_view::npos ? page.size() : close + 1;
    }
    pos += 2;
  }
  return page.size();
}

void PercentDecodeInto(std::string_view value, std::string& out) {
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '%' && i + 2 < value.size()) {
      auto hex = [](char c) {
        c = Lower(c);
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
      };
      const int hi = hex(value[i + 1]), lo = hex(value[i + 2]);
      if (hi >= 0 && lo >= 0) {
        const char c = static_cast<char>(hi * 16 + lo);
        out.push_back(c == '\r' || c == '\n' ? ' ' : c);
        i += 2;
        continue;
      }
    }
    out.push_back(value[i]);
  }
}

// Link addresses after `scheme` ("tel:", "mailto:") written as an attribute value.
void SchemeValues(std::string_view page, std::string_view scheme, std::string& out) {
  std::size_t pos = 0;
  while ((pos = FindAsciiNoCase(page, scheme, pos)) != std::string_view::npos) {
    const std::size_t begin = pos + scheme.size();
    pos = begin;
    if (begin == scheme.size()) {
      continue;
    }
    const char before = page[begin - scheme.size() - 1];
    if (before != '"' && before != '\'' && before != '=') {
      continue;
    }
    std::size_t end = begin;
    while (end < page.size() && end - begin < kMaxValueBytes && page[end] != '"' &&
           page[end] != '\'' && page[end] != '>' && page[end] != '?' &&
           static_cast<unsigned char>(page[end]) > ' ') {
      ++end;
    }
    out.push_back('\n');
    PercentDecodeInto(page.substr(begin, end - begin), out);
  }
}

// The string values of JSON keys (`"key": "value"` or `"key": ["a", "b"]`).
void JsonValues(std::string_view page, std::string_view key, std::string& out) {
  std::size_t pos = 0;
  while ((pos = FindAsciiNoCase(page, key, pos)) != std::string_view::npos) {
    pos += key.size();
    std::size_t i = pos;
    auto skipBlanks = [&] {
      while (i < page.size() &&
             (page[i] == ' ' || page[i] == '\t' || page[i] == '\r' || page[i] == '\n')) {
        ++i;
      }
    };
    skipBlanks();
    if (i >= page.size() || page[i] != ':') {
      continue;
    }
    ++i;
    skipBlanks();
    const bool list = i < page.size() && page[i] == '[';
    if (list) {
      ++i;
    }
    for (int values = 0; values < 8; ++values) {
      skipBlanks();
      if (i >= page.size() || page[i] != '"') {
        break;
      }
      const std::size_t begin = ++i;
      while (i < page.size() && i - begin < kMaxValueBytes && page[i] != '"' && page[i] != '\r' &&
             page[i] != '\n') {
        ++i;
      }
      out.push_back('\n');
      std::string_view value = page.substr(begin, i - begin);
      if (value.size() >= 7 && SameText(value.substr(0, 7), "mailto:")) {
        value.remove_prefix(7);
      }
      out.append(value);
      if (i < page.size() && page[i] == '"') {
        ++i;
      }
      skipBlanks();
      if (!list || i >= page.size() || page[i] != ',') {
        break;
      }
      ++i;
    }
  }
}

void MetaValues(std::string_view page, std::string& out) {
  std::size_t pos = 0;
  while ((pos = FindAsciiNoCase(page, "<meta", pos)) != std::string_view::npos) {
    const std::size_t end = page.find('>', pos);
    const std::size_t size = end == std::string_view::npos ? page.size() - pos : end - pos;
    const std::string_view tag = page.substr(pos, size);
    pos += 5;
    std::string kind = GbkLower(TagAttribute(tag, "name"));
    kind += ' ';
    kind += GbkLower(TagAttribute(tag, "property"));
    kind += ' ';
    kind += GbkLower(TagAttribute(tag, "itemprop"));
    bool contact = false;
    for (const char* word : {"phone", "tel", "mobile", "mail", "contact"}) {
      contact = contact || kind.find(word) != std::string::npos;
    }
    if (!contact) {
      continue;
    }
    const std::string value = TagAttribute(tag, "content");
    if (!value.empty() && value.size() <= kMaxValueBytes) {
      out.push_back('\n');
      out.append(value);
    }
  }
}

}  // namespace

std::string ContactValues(std::string_view page) {
  std::string out;
  SchemeValues(page, "tel:", out);
  SchemeValues(page, "mailto:", out);
  JsonValues(page, "\"telephone\"", out);
  JsonValues(page, "\"email\"", out);
  MetaValues(page, out);
  if (!out.empty()) {
    out.push_back('\n');
  }
  return out;
}

std::string ReadableText(std::string_view page) {
  TCopy copy(page.size());
  std::string entity;
  bool tagsClose = true;  // false once a "<" has been seen with no ">" after it
  std::size_t i = 0;
  while (i < page.size()) {
    const char c = page[i];
    const auto u = static_cast<unsigned char>(c);
    if (c == '<' && tagsClose) {
      if (page.substr(i, 4) == "<!--") {
        const std::size_t end = page.find("-->", i + 4);
        i = end == std::string_view::npos ? page.size() : end + 3;
        continue;
      }
      std::size_t n = i + 1;
      const bool closing = n < page.size() && page[n] == '/';
      if (closing) {
        ++n;
      }
      if (n < page.size() && (IsLetter(page[n]) || (!closing && page[n] == '!'))) {
        const std::size_t close = page.find('>', n);
        if (close == std::string_view::npos) {
          tagsClose = false;
          copy.Char(c);
          ++i;
          continue;
        }
        std::string name;
        while (n < close && IsAlnum(page[n]) && name.size() < 10) {
          name.push_back(Lower(page[n++]));
        }
        i = close + 1;
        if (!closing && (name == "script" || name == "style")) {
          i = SkipContents(page, i, name);
          copy.Break();
        } else if (IsInlineTag(name)) {
          // Nothing: the reader sees the texts on either side run together.
        } else {
          copy.Break();
        }
        continue;
      }
      copy.Char(c);
      ++i;
      continue;
    }
    if (c == '&') {
      if (const std::size_t n = Entity(page, i, entity); n > 0) {
        copy.Text(entity);
        i += n;
        continue;
      }
      copy.Char(c);
      ++i;
      continue;
    }
    const auto trail = i + 1 < page.size() ? static_cast<unsigned char>(page[i + 1]) : 0;
    if (IsGbkLeadByte(c) && trail >= 0x40 && trail != 0x7F && trail != 0xFF) {
      if (u == 0xA3 && trail >= 0xA1 && trail <= 0xFD && trail != 0xA4) {
        copy.Char(static_cast<char>(trail - 0x80));  // a full-width ASCII form
      } else if (u == 0xA1 && trail == 0xA1) {
        copy.Blank();  // the full-width blank
      } else {
        copy.Pair(c, page[i + 1]);
      }
      i += 2;
      continue;
    }
    copy.Char(c);
    ++i;
  }
  std::string out = copy.Take();
  while (!out.empty() && (out.back() == ' ' || out.back() == '\n')) {
    out.pop_back();
  }
  out += '\n';
  out += ContactValues(page);
  return out;
}

}  // namespace vlmr
