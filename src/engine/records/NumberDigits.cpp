#include "engine/records/NumberDigits.h"

namespace vlmr {

std::string NumberDigits(std::string_view written) {
  std::string digits;
  for (char c : written) {
    if (c >= '0' && c <= '9') {
      digits.push_back(c);
    } else if (c != ' ' && c != '-' && c != '(' && c != ')' && c != '+') {
      break;
    }
  }
  bool countryCode = false;
  if (digits.starts_with("0086")) {
    digits.erase(0, 4);
    countryCode = true;
  } else if (written.starts_with("+86") && digits.starts_with("86")) {
    digits.erase(0, 2);
    countryCode = true;
  }
  // After a country code an area code is written without its trunk 0.
  if (countryCode && !digits.empty() && digits[0] != '1' && !digits.starts_with("400") &&
      !digits.starts_with("800")) {
    digits.insert(digits.begin(), '0');
  }
  return digits;
}

}  // namespace vlmr
