// A filing lookup site for the simulated web: for each registered domain a page at
// "/yuming/" + domain + "/" with a table of the filing's rows; any other domain gets a page
// saying there is no filing. Pages are UTF-8, as the lookup expects.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "support/SimulatedWeb.h"

namespace vlmr::test {

struct TFilingRow {
  std::string label;  // "主办单位", "网站名称", "备案号", ...
  std::string value;
  // How the value cell is written: "<td>" when empty, else "<td" + attributes + ">".
  std::string valueCellAttributes;
};

// The usual rows: the sponsor, the filing number, the site name and the date, in that order.
std::vector<TFilingRow> FilingRows(std::string sponsorUtf8, std::string siteNameUtf8);

// The lookup page for the rows. Labels sit in attributed cells, values in the cells as asked.
std::string FilingPageHtml(const std::vector<TFilingRow>& rows);

class TFilingSite {
 public:
  // Serves `host` on `web` (the host of the program's lookup root).
  TFilingSite(TSimulatedWeb& web, std::string host);

  const std::string& Host() const { return host_; }
  static std::string PathFor(std::string_view domain);

  void AddFiling(std::string_view domain, const std::vector<TFilingRow>& rows);
  // Any answer for a domain: an error page, a stall, a non-UTF-8 body.
  void AddAnswer(std::string_view domain, TPage page);

 private:
  TSimulatedWeb& web_;
  std::string host_;
};

}  // namespace vlmr::test
