// Company web sites and the engines' click-through redirectors for the simulated web. Sites
// are built from parameters (host, character set, titles, the contact link as written, the
// contact details in their written forms), so that each test states only what it is about.
// Texts are given in UTF-8 and sent in the site's character set.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "support/SimulatedWeb.h"

namespace vlmr::test {

// Contact details as a page writes them, one per line ("电话：" + landline and so on).
struct TContactDetails {
  std::vector<std::string> landlines;  // as written: "020-87654321", "400-800-1234"
  std::vector<std::string> mobiles;
  std::vector<std::string> emails;
  std::vector<std::string> qqs;  // each becomes a QQ chat link with "uin=" + number + "&"
  std::string address;           // written after "地址：" when not empty
};

// HTML lines for the details, CR LF separated.
std::string ContactDetailsHtml(const TContactDetails& details);

// An anchor: <a href="href">text</a>, the href quoted with `quote` (none when 0).
std::string Anchor(std::string_view href, std::string_view textUtf8, char quote = '"');

// One page of a site: the titles (each a <title> element; none when empty) and the body.
struct TSitePage {
  std::vector<std::string> titles;
  std::string body;  // UTF-8 HTML
};

// A whole document, CR LF line ends, with a charset declaration for `charset`.
std::string PageHtml(const TSitePage& page, TCharset charset);

struct TCompanySite {
  std::string host;  // "www.hq-dz.com.cn"
  TCharset charset = TCharset::Utf8;
  std::string homePath = "/";
  TSitePage home;
  std::string contactPath;  // empty: no contact page is served
  TSitePage contact;

  // A typical site: home page with a navigation bar holding `contactAnchor` (may be empty)
  // and a footer, contact page with `details`. The home page carries no numbers.
  static TCompanySite Make(std::string host, std::string titleUtf8, std::string contactAnchor,
                           std::string contactPath, const TContactDetails& details,
                           TCharset charset = TCharset::Utf8);
  std::string HomeUrl() const { return "http://" + host + homePath; }
};

// Serves the site's pages on its host (the home page also at "/" when its path differs).
void AddCompanySite(TSimulatedWeb& web, const TCompanySite& site);

// Click-through links of the engines, each answering a 302 to `location`. The result is the
// address the engine's result page would carry. `key` tells links apart.
std::string AddBaiduAdClick(TSimulatedWeb& web, std::string_view key, std::string location);
std::string AddBaiduResultLink(TSimulatedWeb& web, std::string_view key, std::string location);
std::string Add360AdClick(TSimulatedWeb& web, std::string_view key, std::string location);
std::string AddSogouAdClick(TSimulatedWeb& web, std::string_view key, std::string location);
// Any redirect: http://host + target answers `status` to `location`.
std::string AddRedirect(TSimulatedWeb& web, std::string_view host, std::string target,
                        std::string location, int status = 302);

}  // namespace vlmr::test
