#include "engine/Caiji360.h"

#include "base/Text.h"
#include "base/Utils.h"
#include "engine/records/EngineSettings.h"

namespace vlmr {

TCaiji360::TCaiji360(TWindowHandle window, std::string keyword, int startPage)
    : TLinkCollector(std::move(window), ENGINE_360, std::move(keyword), startPage) {}

std::string TCaiji360::PageAddress(const std::string& keyword, int page) {
  std::string address = std::string("http://") + Search360Host +
                        "/s?ie=utf-8&q=" + UrlEncode(GbkToUtf8(keyword), false);
  if (page != 0) {
    address += "&pn=" + std::to_string(static_cast<long long>(page) + 1);
  }
  return address;
}

std::string TCaiji360::Address(int page) const {
  return PageAddress(info_.keyword, page);
}

const std::string& TCaiji360::AdLinkPattern() const {
  static const std::string pattern =
      std::string("<a[^>]*http://") + Ad360Host + R"(/search/eclk?[^>]*>(?:.|[\r\n])*?</a>)";
  return pattern;
}

bool TCaiji360::LeadsOff(std::string_view anchor) const {
  return anchor.find(Search360Domain) == std::string_view::npos &&
         anchor.find(Ad360Domain) == std::string_view::npos;
}

}  // namespace vlmr
