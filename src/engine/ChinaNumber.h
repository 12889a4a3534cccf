// A number of mainland China as libphonenumber takes it, from its national significant digits:
// ASCII digits without the trunk 0 of an area code, at most 12 of them (callers check).
#pragma once

#include <phonenumbers/phonenumber.pb.h>

#include <cstdint>
#include <string_view>

namespace vlmr {

inline constexpr int kChinaCallingCode = 86;

inline i18n::phonenumbers::PhoneNumber ChinaNumber(std::string_view national) {
  std::uint64_t value = 0;
  for (char c : national) {
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  i18n::phonenumbers::PhoneNumber number;
  number.set_country_code(kChinaCallingCode);
  number.set_national_number(value);
  return number;
}

}  // namespace vlmr
