// The character set of a fetched page and its text in the program's GBK.
//
// The set is taken, in this order, from a byte-order mark, the charset of the HTTP Content-Type
// header, and the first <meta> of the page's first 8 KB that names one (`<meta charset=...>` or
// the http-equiv form); a source that names a set this unit does not read (Latin-1, say) is
// passed over. Without any, the page is read as before: UTF-8 when its bytes are valid UTF-8,
// else GBK as they are.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vlmr {

enum class TPageCharset { Unknown, Utf8, Gbk, Big5, Utf16Le, Utf16Be };

// A charset name as pages and servers write it ("UTF-8", "gb2312", "x-gbk", "big5-hkscs", ...);
// Unknown for any other.
TPageCharset CharsetOfName(std::string_view name);

// The value after "charset=" in a header or attribute text (quotes dropped); empty when none.
std::string CharsetParameter(std::string_view text);

// The declared set of a page: the mark (its length in `markBytes`), the header, the meta tag.
TPageCharset DeclaredCharset(std::string_view body, std::string_view contentType,
                             std::size_t& markBytes);

// The page's text: decoded from its declared set into GBK (a declared UTF-8 or Big5 body that
// does not decode in that set is read by the guess instead), line breaks of any kind made
// CR LF, trimmed of leading and trailing blanks when asked.
std::string DecodePage(std::string_view body, std::string_view contentType, bool trim);

}  // namespace vlmr
