// E-mail addresses as a page's reader sees them (a ReadableText copy, GBK): written plainly, and
// written against harvesting:
//  - "[at]", "(at)", "{at}" for "@" and "[dot]", "(dot)", "{dot}" for "." (any letter case,
//    blanks around them allowed);
//  - " at " and " dot " between words, both in lower or both in upper case ("name AT example
//    DOT com"), taken only when a " dot " follows the " at ";
//  - "#" for "@" when the page asks for the swap ("请把#换成@", "#改为@" ...).
// An address is taken only when the result is valid: a local part of letters, digits and
// "._%+-" not beginning or ending with a dot, a domain of at least two labels of letters, digits
// and hyphens, the last of 2 to 6 letters. Found in page order, as written (letter case kept).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vlmr {

std::vector<std::string> WrittenEmails(std::string_view readable);

}  // namespace vlmr
