#include "support/FilingSite.h"

namespace vlmr::test {

std::vector<TFilingRow> FilingRows(std::string sponsorUtf8, std::string siteNameUtf8) {
  return {
      {"主办单位名称", std::move(sponsorUtf8), ""},
      {"网站备案/许可证号", "粤ICP备12345678号-1", ""},
      {"网站名称", std::move(siteNameUtf8), ""},
      {"审核时间", "2014-05-20", "class=\"v\""},
  };
}

std::string FilingPageHtml(const std::vector<TFilingRow>& rows) {
  std::string html =
      "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
      "<title>备案查询</title>\r\n</head>\r\n<body>\r\n<table class=\"beian\">\r\n";
  for (const auto& row : rows) {
    html += "<tr>\r\n  <td class=\"th\">" + row.label + "</td>\r\n  ";
    html += row.valueCellAttributes.empty() ? "<td>" : "<td " + row.valueCellAttributes + ">";
    html += row.value + "</td>\r\n</tr>\r\n";
  }
  html += "</table>\r\n</body>\r\n</html>\r\n";
  return html;
}

TFilingSite::TFilingSite(TSimulatedWeb& web, std::string host) : web_(web), host_(std::move(host)) {
  web_.AddHost(host_, [](const TRequest&) {
    return TPage::Html(
        "<html><head><meta charset=\"utf-8\"></head><body><p>没有查询到备案信息</p></body></html>");
  });
}

std::string TFilingSite::PathFor(std::string_view domain) {
  return "/yuming/" + std::string(domain) + "/";
}

void TFilingSite::AddFiling(std::string_view domain, const std::vector<TFilingRow>& rows) {
  web_.AddPage(host_, PathFor(domain), TPage::Html(FilingPageHtml(rows)));
}

void TFilingSite::AddAnswer(std::string_view domain, TPage page) {
  web_.AddPage(host_, PathFor(domain), std::move(page));
}

}  // namespace vlmr::test
