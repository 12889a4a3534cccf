#include "base/Text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>
#include <stdexcept>

namespace vlmr {
namespace {

// One conversion descriptor per thread and direction: iconv_t is not thread-safe.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts `in`; on a sequence iconv refuses, calls skip(in) to learn how many bytes to
  // drop, writes "?" and goes on.
  template <typename Skip>
  std::string Run(std::string_view in, Skip skip) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    out.reserve(in.size() * 3 / 2 + 8);
    char buffer[4096];
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size();
    while (left > 0) {
      char* dst = buffer;
      std::size_t room = sizeof buffer;
      std::size_t rc = iconv(cd_, &src, &left, &dst, &room);
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      if (rc != static_cast<std::size_t>(-1)) {
        continue;
      }
      if (errno == E2BIG) {
        continue;
      }
      // EILSEQ or EINVAL: drop the offending character and write "?".
      std::size_t n = skip(std::string_view(src, left));
      if (n == 0 || n > left) {
        n = left;
      }
      src += n;
      left -= n;
      out.push_back('?');
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  iconv_t cd_;
};

std::size_t Utf8SequenceLength(unsigned char c) {
  if (c < 0x80)
    return 1;
  if (c >= 0xC2 && c <= 0xDF)
    return 2;
  if (c >= 0xE0 && c <= 0xEF)
    return 3;
  if (c >= 0xF0 && c <= 0xF4)
    return 4;
  return 0;
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

template <typename F>
std::string MapAscii(std::string_view text, F f) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size();) {
    std::size_t n = GbkCharLength(out, i);
    if (n == 1) {
      out[i] = f(out[i]);
    }
    i += n;
  }
  return out;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t i = 0, n = text.size();
  while (i < n) {
    unsigned char c = p[i];
    std::size_t len = Utf8SequenceLength(c);
    if (len == 0 || i + len > n)
      return false;
    for (std::size_t k = 1; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80)
        return false;
    }
    if (len == 3) {
      if (c == 0xE0 && p[i + 1] < 0xA0)
        return false;  // overlong
      if (c == 0xED && p[i + 1] > 0x9F)
        return false;  // surrogate
    } else if (len == 4) {
      if (c == 0xF0 && p[i + 1] < 0x90)
        return false;  // overlong
      if (c == 0xF4 && p[i + 1] > 0x8F)
        return false;  // above U+10FFFF
    }
    i += len;
  }
  return true;
}

namespace {

// ASCII reads the same in UTF-8 and GBK: such text needs no converter.
bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::string Utf8ToGbk(std::string_view utf8) {
  if (IsAscii(utf8)) {
    return std::string(utf8);
  }
  if (!IsValidUtf8(utf8)) {
    return {};
  }
  thread_local Converter conv("GBK", "UTF-8");
  // The input is valid, so a refusal is a character without a GBK form: skip that character.
  return conv.Run(utf8, [](std::string_view rest) {
    return Utf8SequenceLength(static_cast<unsigned char>(rest[0]));
  });
}

bool CharsetToGbk(std::string_view bytes, const std::string& charset, std::string& gbk) {
  // Checked through UTF-8: iconv tells an invalid sequence from a character without a GBK form
  // only in that direction. One descriptor per thread and character set.
  thread_local std::map<std::string, std::unique_ptr<Converter>> converters;
  auto it = converters.find(charset);
  if (it == converters.end()) {
    std::unique_ptr<Converter> conv;
    try {
      conv = std::make_unique<Converter>("UTF-8", charset.c_str());
    } catch (const std::runtime_error&) {
      return false;
    }
    it = converters.emplace(charset, std::move(conv)).first;
  }
  std::size_t invalid = 0;
  std::string utf8 = it->second->Run(bytes, [&invalid](std::string_view) {
    ++invalid;
    return std::size_t{1};
  });
  if (invalid > bytes.size() / 100) {
    return false;
  }
  gbk = Utf8ToGbk(utf8);
  return true;
}

std::string GbkToUtf8(std::string_view gbk) {
  if (IsAscii(gbk)) {
    return std::string(gbk);
  }
  thread_local Converter conv("UTF-8", "GBK");
  return conv.Run(gbk, [](std::string_view) { return std::size_t{1}; });
}

std::size_t GbkCharLength(std::string_view text, std::size_t pos) {
  if (pos < text.size() && IsGbkLeadByte(text[pos]) && pos + 1 < text.size()) {
    return 2;
  }
  return 1;
}

std::size_t GbkCharCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); i += GbkCharLength(text, i)) {
    ++count;
  }
  return count;
}

bool IsGbkTrailPosition(std::string_view text, std::size_t pos) {
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t n = GbkCharLength(text, i);
    if (pos < i + n) {
      return pos != i;
    }
    i += n;
  }
  return false;
}

std::string GbkLower(std::string_view text) {
  return MapAscii(text, AsciiLower);
}
std::string GbkUpper(std::string_view text) {
  return MapAscii(text, AsciiUpper);
}

bool SameText(std::string_view a, std::string_view b) {
  // Compared in place: the unique lists call this for every entry on every add.
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size();) {
    if (GbkCharLength(a, i) == 2) {
      // A double-byte character matches only itself, byte for byte.
      if (a[i] != b[i] || a[i + 1] != b[i + 1])
        return false;
      i += 2;
    } else {
      // A single byte of `a` never equals a lead byte of `b` after folding ASCII letters.
      if (AsciiLower(a[i]) != AsciiLower(b[i]))
        return false;
      ++i;
    }
  }
  return true;
}

namespace {

// Finds lowered `n` in lowered `t`, starting at the character boundary `from`; a match must
// begin on a character boundary.
std::size_t FindLowered(const std::string& t, const std::string& n, std::size_t from) {
  for (std::size_t i = from; i < t.size(); i += GbkCharLength(t, i)) {
    if (t.compare(i, n.size(), n) == 0) {
      return i;
    }
  }
  return std::string_view::npos;
}

}  // namespace

std::size_t FindNoCase(std::string_view text, std::string_view needle, std::size_t from) {
  if (needle.empty()) {
    return from <= text.size() ? from : std::string_view::npos;
  }
  std::size_t start = 0;
  while (start < from && start < text.size())
    start += GbkCharLength(text, start);
  return FindLowered(GbkLower(text), GbkLower(needle), start);
}

std::string Trim(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
    ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
    --e;
  return std::string(text.substr(b, e - b));
}

namespace {

// Replaces every occurrence `find` reports (a position at or after its second argument, or
// npos) of a needle `length` bytes long.
template <class TFind>
std::string ReplaceEach(std::string_view text, std::size_t length, std::string_view to,
                        TFind find) {
  std::string out;
  std::size_t pos = 0;
  for (std::size_t hit = find(pos); hit != std::string_view::npos; hit = find(pos)) {
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + length;
  }
  out.append(text.substr(pos));
  return out;
}

}  // namespace

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty())
    return std::string(text);
  return ReplaceEach(text, from.size(), to, [&](std::size_t pos) { return text.find(from, pos); });
}

std::string ReplaceAllNoCase(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty())
    return std::string(text);
  const std::string lowered = GbkLower(text);
  const std::string needle = GbkLower(from);
  return ReplaceEach(text, from.size(), to,
                     [&](std::size_t pos) { return FindLowered(lowered, needle, pos); });
}

std::string FirstCharWithoutGbk(std::string_view utf8) {
  if (!IsValidUtf8(utf8)) {
    return {};
  }
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t length =
        std::min(Utf8SequenceLength(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
    const std::string_view character = utf8.substr(i, length);
    if (character != "?" && Utf8ToGbk(character) == "?") {
      return std::string(character);
    }
    i += length;
  }
  return {};
}

}  // namespace vlmr
