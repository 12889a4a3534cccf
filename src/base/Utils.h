// Small stateless helpers shared by the whole program. Texts are GBK; lengths and positions
// count bytes unless a comment says otherwise.
#pragma once

#include <string>
#include <string_view>

namespace vlmr {

// The platform's path delimiter.
#ifdef _WIN32
inline constexpr char kPathDelim = '\\';
#else
inline constexpr char kPathDelim = '/';
#endif

// Appends the path delimiter unless the path (trimmed of blanks) is empty or already ends with
// it. With "\" as delimiter the last character is found multi-byte aware, so a double-byte
// character whose second byte is 0x5C does not count as a backslash.
std::string IncludeBackslash(std::string_view path);

// Same rule with an explicit delimiter (the Windows form of paths needs "\" on any platform).
std::string IncludeTrailingDelimiter(std::string_view path, char delim);

// Full path of the running executable.
std::string ExePath();
// Folder of the running executable, always ending with the delimiter.
std::string AppFolder();
// File name (with extension) of the running executable.
std::string ExeFileName();

// Points AppFolder (and so every file kept beside the executable) at another folder; an empty
// text restores the real one. For tests and tools.
void SetAppFolderOverride(std::string_view folder);

// The text before the last `c`; the whole text when `c` does not occur. Scans bytes.
std::string TextBeforeLast(std::string_view text, char c);
// The text after the last `c` (empty when the text ends with it); `fallback` when `c` does not
// occur. Scans bytes, so a second byte of a double-byte character counts.
std::string TextAfterLast(std::string_view text, char c, std::string_view fallback);

// The first `limit` bytes followed by "..." when the text is longer than `limit`; `limit` - 1
// bytes when byte `limit` (counted from 1) starts a double-byte character.
std::string ShortenText(std::string_view text, int limit);

// Accumulator becomes `item` when empty, else accumulator + separator + item; returns it.
std::string& AppendWithSeparator(std::string& accumulator, std::string_view item,
                                 std::string_view separator);

// Percent-encodes byte by byte, keeping - . / 0-9 : A-Z _ a-z; a space is "+" or "%20".
std::string UrlEncode(std::string_view text, bool plusForSpace);

// Dotted version comparison: true only when both have the same number of parts and the first
// differing part of `candidate` is greater. A part that is not a number counts as 0.
bool IsNewerVersion(std::string_view candidate, std::string_view installed);

// Seconds since 1970-01-01 00:00:00 as "YYYY-MM-DD hh:mm:ss", counted as that many seconds
// after that moment with no time-zone conversion (the stored times already are wall-clock).
std::string FormatStoredTime(long long seconds);

}  // namespace vlmr
