// The kind of a stored phone number, as libphonenumber's metadata for mainland China types it:
// a mobile, a landline, a toll-free 800 number, a shared-cost 400 number, or something else.
// Stored numbers are written as the extraction keeps them: 11 mobile digits, or an area code,
// "-" and the local number, perhaps followed by an extension ("020-87654321转801"). GBK.
#pragma once

#include <string>
#include <string_view>

#include "engine/records/NumberDigits.h"

namespace vlmr {

enum class TNumberKind { Mobile, Landline, TollFree, SharedCost, Other };

// The kind of a written number (see above); Other for anything libphonenumber does not take.
TNumberKind KindOfNumber(std::string_view written);

// "手机", "座机", "800电话", "400电话", "其他" (UTF-8).
const char* NumberKindLabel(TNumberKind kind);

}  // namespace vlmr
