// Arbitrary bytes as an anchor and a host, then as a company page and a filing page: link
// reading, address making, the extraction and the filing rows must neither crash nor break
// their contracts. Errors the pattern service raises are fine (they end a crawler's run). One
// input in four is matched in the interpreter, as on a system without JIT.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "../FuzzCheck.h"
#include "base/Text.h"
#include "engine/BeiAn.h"
#include "engine/ContactExtract.h"
#include "engine/PageText.h"
#include "engine/RegExp.h"
#include "engine/SiteLinks.h"

namespace {

using vlmr::fuzz::Check;
using vlmr::fuzz::StartsWithNoCase;

void Links(std::string_view host, std::string_view anchor) {
  const std::string href = vlmr::HrefOf(anchor);
  // The link is a piece of the anchor, in its own letter case.
  Check(href.empty() || anchor.find(href) != std::string_view::npos);
  const std::string address = vlmr::MakeAbsolute(host, href);
  if (address.empty()) {
    Check(href.find_first_not_of("./") == std::string::npos);
    return;
  }
  Check(StartsWithNoCase(address, "http://") || StartsWithNoCase(address, "https://") ||
        address.rfind("http://", 0) == 0);
  // Nothing of the link is lost or changed: the address ends with what the link keeps.
  std::string_view kept = href;
  if (!StartsWithNoCase(kept, "http") && kept.substr(0, 2) != "//") {
    kept.remove_prefix(kept.find_first_not_of("./"));
  }
  Check(address.size() >= kept.size() &&
        address.compare(address.size() - kept.size(), kept.size(), kept) == 0);
  (void)vlmr::HostOfUrl(address);
}

void Page(vlmr::TRegExp& re, std::string_view bytes) {
  const std::string text = vlmr::DecodePageText(bytes);
  for (vlmr::TNameStep step : {vlmr::TNameStep::FirstTitle, vlmr::TNameStep::FindCompanyName}) {
    vlmr::TComPanyInfo record;
    try {
      bool found = vlmr::ExtractPage(re, step, text, record);
      Check(found == (!record.tels.empty() || !record.mobiles.empty()));
      for (const auto& mobile : record.mobiles) {
        Check(mobile.size() == vlmr::kMobileLength &&
              mobile.find_first_not_of("0123456789") == std::string::npos);
      }
      // A landline is digits and dashes, then perhaps an extension: "转" and its digits.
      static const std::string kTurn = vlmr::Utf8ToGbk("转");
      for (const auto& tel : record.tels) {
        const std::size_t turn = tel.find(kTurn);
        const std::string_view number = std::string_view(tel).substr(0, turn);
        Check(number.size() >= vlmr::kMinLandlineLength &&
              number.find_first_not_of("0123456789-") == std::string_view::npos);
        if (turn != std::string::npos) {
          const std::string_view extension = std::string_view(tel).substr(turn + kTurn.size());
          Check(!extension.empty() &&
                extension.find_first_not_of("0123456789") == std::string_view::npos);
        }
      }
      Check(record.address.empty() || record.address.size() >= vlmr::kMinAddressBytes);
    } catch (const vlmr::ERegExpError&) {
    }
  }
  try {
    for (bool exactOnly : {false, true}) {
      const std::string link = vlmr::FindContactLink(re, text, exactOnly);
      Check(link.empty() || link.size() <= text.size());
    }
    (void)vlmr::ReadFiledName(re, text);
  } catch (const vlmr::ERegExpError&) {
  }
  const std::string address = vlmr::AddressOf(text);
  Check(address.find_first_of("<\r\n") == std::string::npos);
  const std::string domain = vlmr::RegisteredDomain(bytes);
  Check(domain.empty() || domain.find('.') != std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static vlmr::TRegExp jit;
  static vlmr::TRegExp interpreter([] {
    vlmr::TRegExpLimits limits;
    limits.useJit = false;
    return limits;
  }());
  vlmr::TRegExp& re = size > 0 && data[size - 1] % 4 == 0 ? interpreter : jit;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // The first line is the host, the rest the anchor; the whole input is the page.
  const std::size_t newline = input.find('\n');
  const std::string_view host = newline == std::string_view::npos ? "" : input.substr(0, newline);
  const std::string_view anchor =
      newline == std::string_view::npos ? input : input.substr(newline + 1);
  Links(host, anchor);
  Page(re, input);
  return 0;
}
