// The digits of a stored phone number, the key numbers are compared by (the shared-number index,
// the export's leaving out of shared numbers). Stored numbers are 11 mobile digits, or an area
// code, "-" and the local number, perhaps followed by an extension ("020-87654321转801").
#pragma once

#include <string>
#include <string_view>

namespace vlmr {

// The ASCII digits from the number's start up to the first byte that is neither a digit nor a
// blank, hyphen, bracket or "+" (an extension and its label are left out). A leading country
// code ("+86", "0086") is dropped and the area code after it gets its trunk 0 back.
// "020-87654321转801" and "+86 20 8765 4321" give "02087654321".
std::string NumberDigits(std::string_view written);

}  // namespace vlmr
