#include "support/CompanySites.h"

#include "engine/records/EngineSettings.h"

namespace vlmr::test {

std::string ContactDetailsHtml(const TContactDetails& details) {
  std::string html;
  for (const auto& tel : details.landlines) {
    html += "<p>电话：" + tel + "</p>\r\n";
  }
  for (const auto& mobile : details.mobiles) {
    html += "<p>手机：" + mobile + "</p>\r\n";
  }
  for (const auto& mail : details.emails) {
    html += "<p>邮箱：<a href=\"mailto:" + mail + "\">" + mail + "</a></p>\r\n";
  }
  for (const auto& qq : details.qqs) {
    html += "<p><a target=\"_blank\" href=\"http://wpa.qq.com/msgrd?v=3&uin=" + qq +
            "&site=qq&menu=yes\">QQ交谈</a></p>\r\n";
  }
  if (!details.address.empty()) {
    html += "<p><span>地址：</span>" + details.address + "</p>\r\n";
  }
  return html;
}

std::string Anchor(std::string_view href, std::string_view textUtf8, char quote) {
  std::string q = quote ? std::string(1, quote) : std::string();
  return "<a href=" + q + std::string(href) + q + ">" + std::string(textUtf8) + "</a>";
}

std::string PageHtml(const TSitePage& page, TCharset charset) {
  std::string html =
      "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" "
      "content=\"text/html; charset=";
  html += CharsetName(charset);
  html += "\">\r\n";
  for (const auto& title : page.titles) {
    html += "<title>" + title + "</title>\r\n";
  }
  html += "</head>\r\n<body>\r\n" + page.body + "\r\n</body>\r\n</html>\r\n";
  return html;
}

TCompanySite TCompanySite::Make(std::string host, std::string titleUtf8, std::string contactAnchor,
                                std::string contactPath, const TContactDetails& details,
                                TCharset charset) {
  TCompanySite site;
  site.host = std::move(host);
  site.charset = charset;
  site.home.titles = {titleUtf8};
  site.home.body = "<div class=\"nav\"><a href=\"/\">首页</a> <a href=\"/cp.html\">产品中心</a> " +
                   contactAnchor +
                   "</div>\r\n<div class=\"main\">欢迎光临本公司网站</div>\r\n"
                   "<div class=\"foot\">版权所有 2014</div>";
  site.contactPath = std::move(contactPath);
  site.contact.titles = {titleUtf8};
  site.contact.body = "<div class=\"lx\">\r\n" + ContactDetailsHtml(details) + "</div>";
  return site;
}

void AddCompanySite(TSimulatedWeb& web, const TCompanySite& site) {
  TPage home = TPage::Html(PageHtml(site.home, site.charset), site.charset);
  web.AddPage(site.host, site.homePath, home);
  if (site.homePath != "/") {
    web.AddPage(site.host, "/", home);
  }
  if (!site.contactPath.empty()) {
    web.AddPage(site.host, site.contactPath,
                TPage::Html(PageHtml(site.contact, site.charset), site.charset));
  }
}

std::string AddRedirect(TSimulatedWeb& web, std::string_view host, std::string target,
                        std::string location, int status) {
  std::string address = "http://" + std::string(host) + target;
  web.AddPage(host, std::move(target), TPage::Redirect(std::move(location), status));
  return address;
}

std::string AddBaiduAdClick(TSimulatedWeb& web, std::string_view key, std::string location) {
  return AddRedirect(web, BaiduSearchHost, "/baidu.php?url=" + std::string(key),
                     std::move(location));
}

std::string AddBaiduResultLink(TSimulatedWeb& web, std::string_view key, std::string location) {
  return AddRedirect(web, BaiduSearchHost, "/link?url=" + std::string(key), std::move(location));
}

std::string Add360AdClick(TSimulatedWeb& web, std::string_view key, std::string location) {
  return AddRedirect(web, Ad360Host, "/search/eclk?p=" + std::string(key), std::move(location));
}

std::string AddSogouAdClick(TSimulatedWeb& web, std::string_view key, std::string location) {
  return AddRedirect(web, SogouSearchHost, "/bill_cpc?v=1&k=" + std::string(key),
                     std::move(location));
}

}  // namespace vlmr::test
