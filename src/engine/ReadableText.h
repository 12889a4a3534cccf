// A company page as its reader sees it, for finding the numbers and addresses that markup
// breaks up. Texts are GBK.
//
// ReadableText makes a copy of the page with:
//  - tags removed: inline ones (a, span, font, b, i, u, em, strong, small, big, sub, sup, label,
//    img, abbr, s, strike, ins, del) with nothing, any other with a line break; comments and the
//    contents of script and style elements go entirely;
//  - entities decoded (named: nbsp, amp, lt, gt, quot, apos, ensp, emsp, thinsp, also "&nbsp"
//    without its ";"; numeric in decimal and hexadecimal); a no-break or ideographic blank reads
//    as a blank;
//  - full-width ASCII forms (digits, letters, "－", "（", "：", "＠" ...) read as their ASCII
//  forms,
//    and the full-width blank as a blank;
//  - blanks, tabs and line breaks of the source read as one blank (line breaks only come from
//    tags).
// The copy ends with one line break (blanks and breaks before it dropped). After it come, each
// on a line of its own, the values pages give to programs: the
// address of every "tel:" and "mailto:" link (percent escapes decoded), the "telephone" and
// "email" values of JSON data (JSON-LD), and the content of <meta> tags whose name or property
// speaks of a phone, mobile, e-mail or contact.
#pragma once

#include <string>
#include <string_view>

namespace vlmr {

std::string ReadableText(std::string_view page);

// The contact values only (the part after the copy), one per line.
std::string ContactValues(std::string_view page);

}  // namespace vlmr
