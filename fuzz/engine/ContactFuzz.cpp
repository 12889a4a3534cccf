// Arbitrary bytes as a GBK company page through the written phone forms and the address label:
// every candidate is made of the page's own digits in their order, in the one stored form,
// and the address is a piece of the page without markup or line breaks.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "../FuzzCheck.h"
#include "engine/ContactExtract.h"
#include "engine/PhoneNumbers.h"

namespace {

using vlmr::fuzz::Check;

bool AllDigits(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The digits occur in the text in this order.
bool DigitsOfText(std::string_view text, std::string_view digits) {
  std::size_t at = 0;
  for (char d : digits) {
    at = text.find(d, at);
    if (at == std::string_view::npos) {
      return false;
    }
    ++at;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const std::string& m : vlmr::MobileCandidates(text)) {
    Check(m.size() == 11 && m[0] == '1' && AllDigits(m) && DigitsOfText(text, m));
    (void)vlmr::IsMobileNumber(m);
  }
  for (const vlmr::TLandlineCandidate& c : vlmr::LandlineCandidates(text)) {
    const bool service = c.areaCode == "400" || c.areaCode == "800";
    Check(service || (c.areaCode.size() >= 3 && c.areaCode.size() <= 4 && c.areaCode[0] == '0'));
    Check(AllDigits(c.areaCode) && AllDigits(c.number));
    Check(c.number.size() == 7 || (!service && c.number.size() == 8));
    // An area code read after a country code has its trunk 0 put back.
    Check(DigitsOfText(text, c.areaCode + c.number) ||
          (c.areaCode[0] == '0' && DigitsOfText(text, c.areaCode.substr(1) + c.number)));
    Check(c.extension.size() <= 5 && AllDigits(c.extension));
    (void)vlmr::IsLandlineNumber(c.areaCode, c.number);
  }
  const std::string address = vlmr::AddressOf(text);
  Check(text.find(address) != std::string_view::npos);
  Check(address.find_first_of("<>\"\r\n") == std::string::npos);
  return 0;
}
