// The contact page's reply: items separated by "|", where runs of blanks (spaces and control
// characters) also separate, an item that begins with a double quote runs to the matching
// quote (a doubled quote inside stands for one), and two adjacent delimiters give an empty
// item. Item 0 is the telephone, 1 the QQ number, 2 the company name, 3 the contact person.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vlmr {

std::vector<std::string> SplitContactReply(std::string_view text);

}  // namespace vlmr
