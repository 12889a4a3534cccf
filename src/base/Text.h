// GBK text model: a std::string holds GBK bytes unless its name says otherwise (utf8, path).
// Conversions to and from UTF-8 live here and only here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vlmr {

// UTF-8 -> GBK. Invalid UTF-8 gives an empty text; a character without a GBK form becomes "?".
std::string Utf8ToGbk(std::string_view utf8);

// The first character of a UTF-8 text that has no GBK form (an emoji, say), as UTF-8; empty
// when every character has one or the text is not valid UTF-8.
std::string FirstCharWithoutGbk(std::string_view utf8);

// Bytes in the named character set (an iconv name: "BIG5", "UTF-16LE", ...) -> GBK. False when
// the set is unknown or more than one byte in a hundred is not valid in it (`gbk` is then left
// as it was); an invalid byte below that share, and a valid character without a GBK form,
// become "?". The caller names one of a fixed few sets (a descriptor per set and thread is
// kept).
bool CharsetToGbk(std::string_view bytes, const std::string& charset, std::string& gbk);

// GBK -> UTF-8. A byte sequence that is not GBK becomes "?" (one per offending byte).
std::string GbkToUtf8(std::string_view gbk);

// Strict UTF-8 check: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);

// True for a byte that starts a double-byte GBK character (0x81..0xFE).
inline bool IsGbkLeadByte(unsigned char c) {
  return c >= 0x81 && c <= 0xFE;
}
inline bool IsGbkLeadByte(char c) {
  return IsGbkLeadByte(static_cast<unsigned char>(c));
}

// Length in bytes of the character that starts at `pos` (1 or 2; 1 for a lead byte at the end).
std::size_t GbkCharLength(std::string_view text, std::size_t pos);

// Number of characters (a double-byte character counts once).
std::size_t GbkCharCount(std::string_view text);

// True when the byte at `pos` is the second byte of a double-byte character.
bool IsGbkTrailPosition(std::string_view text, std::size_t pos);

// Letter case of ASCII letters only; bytes of double-byte characters are never changed.
std::string GbkLower(std::string_view text);
std::string GbkUpper(std::string_view text);

// Equality without regard to ASCII letter case, multi-byte aware.
bool SameText(std::string_view a, std::string_view b);

// Position of `needle` in `text` without regard to ASCII letter case, or npos.
std::size_t FindNoCase(std::string_view text, std::string_view needle, std::size_t from = 0);

// Removes leading and trailing bytes <= ' ' (blanks and control characters).
std::string Trim(std::string_view text);

// Replaces every occurrence of `from`; the NoCase form ignores ASCII letter case.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
std::string ReplaceAllNoCase(std::string_view text, std::string_view from, std::string_view to);

}  // namespace vlmr
