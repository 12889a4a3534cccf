// Phone numbers as company pages write them, in mainland China's numbering plan. Which numbers
// exist is libphonenumber's answer (its metadata follows the carriers' segments), not a list
// kept here; this unit only finds the written forms and asks.
//
// Written forms are read from digit groups: maximal runs of ASCII digits, two groups joined
// when exactly one blank or hyphen stands between them. A candidate is always made of whole
// groups, so digits inside a longer run (an order number, a date, a filing number) never form
// one. Texts are GBK; no byte of a double-byte GBK character is an ASCII digit, blank, hyphen or
// bracket, so the groups are found byte by byte.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vlmr {

// True when the 11 digits are a mainland mobile number.
bool IsMobileNumber(std::string_view digits);
// True when area code and number (digits only, the area code with its leading "0", or "400" or
// "800") make a fixed-line, toll-free or shared-cost number.
bool IsLandlineNumber(std::string_view areaCode, std::string_view number);

// Mobile candidates in page order, as plain 11 digits beginning with "1", not yet checked: a
// group of 11 digits; two or three joined groups that make 11, the first of 3 or 4 digits,
// the last of at least 4 ("138 1234 5678", "138-1234-5678", "1381-234-5678", "+86 138 1234
// 5678"); "+86" glued to 11 digits. The same digits may come more than once.
std::vector<std::string> MobileCandidates(std::string_view text);

struct TLandlineCandidate {
  std::string areaCode;   // "020", "0755", "400", "800"
  std::string number;     // the local digits, without separators
  std::string extension;  // digits of an extension written after it; empty when none
  bool operator==(const TLandlineCandidate&) const = default;
};

// Landline candidates in page order, not yet checked: an area code of 3 or 4 digits beginning
// with "0", in brackets ("(020)", "（020）", a blank or hyphen may follow) or followed by one
// blank or hyphen, then 7 or 8 local digits as one group or two joined groups of 3 or 4; and
// "400" or "800" followed by one blank or hyphen and 7 digits (one group, or 3 and 4), or a
// group of 10 digits beginning with either. A country code ("86", "+86", "0086") joined to an
// area code without its trunk 0 and the local number gives the area code with its 0 ("+86 769
// 8557 6627" is "0769", "85576627"). An extension after the number ("转801", "-801", "ext. 801",
// "x801", "分机801"; one to five digits) is kept with it.
std::vector<TLandlineCandidate> LandlineCandidates(std::string_view text);

// Both kinds of candidates, the page's digits read once.
struct TPhoneCandidates {
  std::vector<std::string> mobiles;
  std::vector<TLandlineCandidate> landlines;
};
TPhoneCandidates PhoneCandidates(std::string_view text);

}  // namespace vlmr
