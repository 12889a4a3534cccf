// The company-site crawler: one worker per search result. It follows the result's link through
// the engine's redirects to the company's site, names the company (the result title, the filing
// lookup or the page title), finds the contact page, extracts landlines, mobiles, e-mail
// addresses, QQ numbers and the postal address, and reports to the main window:
//   REPORT_STATUS (kind 3) with its status text as it goes, REPORT_COMPANY (kind 0) with its
//   record whenever a pass found a phone number.
// A directory's entry page (DirectoryEntryName) names the listed company and is read itself,
// without the directory's contact page and footer.
// A page without any number reports nothing and leaves the record as the run knew the site
// (name, address, label, promoted mark), so the home page is still read after an empty
// contact page.
// Nothing is sent once it has been asked to stop; a stop request also aborts the transfer in
// flight. It frees itself after its run, like every worker.
//
// Three flavours, one per engine, share one algorithm and differ only in the rows of a table
// (see the source): how the first request is made, the source label and the promoted-link
// marker, the contact-link patterns, the company-name step and when the home page is read too.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/MessageTarget.h"
#include "base/Thread.h"
#include "engine/records/CollectReport.h"
#include "engine/records/KeyUnit.h"
#include "net/ProxyList.h"

namespace vlmr {

class THttpClient;
struct TFetchedPage;
class TBeiAn;
class TRegExp;

// Parameters of one Baidu-flavour crawler; the crawler copies them.
struct TPagePara {
  TWindowHandle window;
  std::string cookie, url, title;
  std::uint8_t renZheng = 0;
  std::string keyword;
};

enum class TCrawlerFlavour { Baidu, So360, Sogou };

// Time limits of a crawler's requests. A crawler takes the values in force when it is
// constructed.
struct TCrawlerTimeouts {
  int firstRequestMs = 5000;  // connect and idle time-out of the request for the result's link
  int retryPauseMs = 100;     // pause after a failed attempt of that request
  int lookupMs = 30000;       // connect and idle time-out of the filing lookup
  // A bound on each contact-page and home-page fetch on top of the fetch's own 90-second
  // network time-out; 0 leaves only that one.
  int pageFetchMs = 0;
};

TCrawlerTimeouts CrawlerTimeouts();
// Test seam: shorter limits for the crawlers constructed from now on.
void SetCrawlerTimeoutsForTesting(const TCrawlerTimeouts& timeouts);
void ResetCrawlerTimeoutsForTesting();

class TCaijiPageCon : public TWorkerThread {
 public:
  // Baidu flavour.
  explicit TCaijiPageCon(const TPagePara& para);
  // 360 and Sogou flavours (a Baidu flavour made this way has no title and no certified mark).
  TCaijiPageCon(TCrawlerFlavour flavour, TWindowHandle window, std::string keyword,
                std::string startUrl);

  TCrawlerFlavour Flavour() const { return flavour_; }
  const std::string& StartUrl() const { return startUrl_; }
  const std::string& Keyword() const { return record_.keyword; }

  // Every request of the run (the first one, the filing lookup, the pages) through `proxy`;
  // nullopt: direct. Before Start.
  void SetProxy(const std::optional<TProxy>& proxy);

  // Aborts the first request or the filing lookup in flight; a page fetch notices the stop
  // through its stop query.
  void OnStopRequested() override;

 protected:
  ~TCaijiPageCon() override;
  void Execute() override;

 private:
  struct TFlavourRow;
  static const TFlavourRow& RowOf(TCrawlerFlavour flavour);

  void ReportStatus(const std::string& text);
  void ReportCompany();
  bool FirstRequest(std::string& body);
  std::string LookupName(const std::string& address);
  void ExtractionPass(const std::string& address);
  bool FetchPage(const std::string& address, TFetchedPage& page);
  // The home page's own redirects (PageRedirect.h), at most kMaxPageRedirects hops: `text`
  // becomes the last page reached and redirectedUrl_ its address.
  void FollowPageRedirects(std::string& text);
  static constexpr int kMaxPageRedirects = 3;

  const TFlavourRow& row_;
  TCrawlerFlavour flavour_;
  TWindowHandle window_;
  std::string startUrl_;
  std::string title_;
  std::string cookie_;
  std::uint8_t renZheng_ = 0;
  TCrawlerTimeouts timeouts_;
  std::optional<TProxy> proxy_;

  TComPanyInfo record_;
  std::string status_;
  std::string redirectedUrl_;
  bool directoryEntry_ = false;  // the site is a directory and its page one company's entry
  std::unique_ptr<THttpClient> http_;
  std::unique_ptr<TBeiAn> beiAn_;
  std::unique_ptr<TRegExp> regExp_;
};

}  // namespace vlmr
