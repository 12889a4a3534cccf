// Fetched pages as the engine reads them, and text searches that respect GBK characters.
//
// A page's text is its lines joined with CR LF, decoded from UTF-8 into GBK; a body that is
// not valid UTF-8 is taken to be GBK already and kept as its bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vlmr {

// The lines joined with CR LF (none after the last).
std::string JoinLines(const std::vector<std::string>& lines);

// UTF-8 -> GBK; bytes that are not valid UTF-8 (or decode to nothing) are returned as they are.
std::string DecodePageText(std::string_view bytes);

// The text of a page fetched as lines: joined with CR LF, trimmed when asked, then decoded.
std::string PageTextOfLines(const std::vector<std::string>& lines, bool trim);
// The same for a body received whole: it is split at its line breaks first.
std::string PageTextOfBody(std::string_view body, bool trim);

// The bytes with every "A"-"Z" byte lowered, whatever character it belongs to (the same length,
// double-byte characters' lead bytes untouched). For finding ASCII words whose place is then
// checked on the page itself; GbkLower is the text's lower case.
std::string LowerBytes(std::string_view text);

// First byte position at or after `from` where `lowerNeedle` (ASCII, lower case, not empty)
// stands without regard to ASCII letter case, read byte by byte like LowerBytes; npos when none.
// No copy of the text is made.
std::size_t FindAsciiNoCase(std::string_view text, std::string_view lowerNeedle,
                            std::size_t from = 0);

// First occurrence of `needle` at or after `from` that begins on a character boundary of the
// GBK text (a match inside a double-byte character is no match); npos when there is none.
// `from` must lie on a boundary.
std::size_t FindGbk(std::string_view text, std::string_view needle, std::size_t from = 0);
// Last such occurrence, or npos.
std::size_t RFindGbk(std::string_view text, std::string_view needle);

}  // namespace vlmr
