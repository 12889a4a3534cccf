// Arbitrary bytes as a fetched company page through the reading steps: the character-set
// choice (the first bytes also serve as the Content-Type header), the readable copy, the
// e-mail forms, the chat links, the builders' credits, the contact link by any sign and the
// page's redirect. Each result keeps its contract.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "../FuzzCheck.h"
#include "base/Text.h"
#include "engine/ChatLinks.h"
#include "engine/ContactLinks.h"
#include "engine/EmailForms.h"
#include "engine/PageCharset.h"
#include "engine/PageRedirect.h"
#include "engine/ReadableText.h"
#include "engine/SiteCredits.h"

namespace {

using vlmr::fuzz::Check;
using vlmr::fuzz::StartsWithNoCase;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string_view header = bytes.substr(0, std::min<std::size_t>(bytes.size(), 40));
  const std::string text = vlmr::DecodePage(bytes, header, false);
  Check(text.find('\n') == std::string::npos || text.find("\r\n") != std::string::npos);

  for (std::string_view page : {bytes, std::string_view(text)}) {
    const std::string copy = vlmr::ReadableText(page);
    Check(!copy.empty() && copy.back() == '\n');
    for (const std::string& mail : vlmr::WrittenEmails(copy)) {
      Check(std::count(mail.begin(), mail.end(), '@') == 1);
      Check(std::all_of(mail.begin(), mail.end(),
                        [](char c) { return static_cast<unsigned char>(c) > ' ' && c < 0x7F; }));
    }
    for (const std::string& qq : vlmr::QqNumbersOfChatLinks(page)) {
      Check(qq.size() >= 5 && qq.size() <= 11 &&
            std::all_of(qq.begin(), qq.end(), [](char c) { return c >= '0' && c <= '9'; }));
    }
    Check(vlmr::WithoutSiteCredits(page).size() == page.size());
    const std::string link = vlmr::FindContactLinkBySign(page);
    Check(page.find(link) != std::string_view::npos);
    const std::string target = vlmr::PageRedirectTarget(page);
    const std::string address = vlmr::RedirectAddress("http://www.a.cn/x/", target);
    Check(address.empty() || StartsWithNoCase(address, "http://") ||
          StartsWithNoCase(address, "https://"));
  }
  return 0;
}
