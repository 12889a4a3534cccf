// Result pages of the three search engines for the simulated web, built the way the collectors
// read them, and the engines' click redirectors.
//
// TEngineSites takes over the engines' hosts on a TSimulatedWeb: it serves scripted pages by
// result-page index (as the collectors count pages, from 0; the index is read back from the
// query the engine's paging parameter gives), answers pages nobody scripted with a valid page
// without results, sets the engines' cookies, sends every ad-click and link address on to the
// site it names, and keeps a log of the result-page requests with an optional clock stamp.
// Pages are UTF-8, as the engines send them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "support/SimulatedWeb.h"

namespace vlmr::test {

enum class TSearchEngine { Baidu, Sogou, So360 };

// How an attribute holding a small object literal is written: {"title":"..."} inside single
// quotes, or {title:'...'} inside double quotes.
enum class TQuote { Double, Single };

// A promoted block of a Baidu page.
struct TBaiduAd {
  std::string title{};  // the advertiser name Baidu certifies (UTF-8)
  std::string site{};   // where the ad-click address leads
  TQuote quote = TQuote::Double;
  bool renzheng = true;  // false: the block has no data-renzheng attribute
  bool adLink = true;    // false: the block links the site directly, not through baidu.php
};

// An ordinary block of a Baidu page.
struct TBaiduResult {
  std::string title{};
  std::string site{};  // reached through Baidu's link address
  TQuote quote = TQuote::Double;
  bool hint = false;    // a hint-data attribute (a certified name)
  std::string label{};  // the hint's label; empty with `hint` gives a hint without a label
};

struct TBaiduPage {
  std::vector<TBaiduAd> ads{};
  std::vector<TBaiduResult> results{};
  bool contentLeft = true;  // the id="content_left" container
  bool pageMarker = true;   // the id="page" pager after it
  // The body padded with filler to exactly this many bytes; 0 gives a page of a usual size.
  std::size_t exactSize = 0;
};

// A link on a Sogou or 360 page.
struct TLinkResult {
  std::string title{};
  std::string site{};
  bool ad = false;                // through the engine's ad-click redirector
  TQuote href = TQuote::Double;   // how the href attribute is quoted
  std::string extraAttributes{};  // written after the href, e.g. ` target="_blank"`
};

struct TLinkPage {
  std::vector<TLinkResult> results{};
  bool engineLinks = true;  // absolute links back to the engine (pager, snapshots, settings)
};

std::string BaiduHtml(const TBaiduPage& page);
std::string SogouHtml(const TLinkPage& page);
std::string So360Html(const TLinkPage& page);

// The addresses the pages carry for a site.
std::string BaiduAdClick(const std::string& site);
std::string BaiduLink(const std::string& site);
std::string SogouAdClick(const std::string& site);
std::string So360AdClick(const std::string& site);

// The search host of an engine, as the collectors request it.
const char* SearchHost(TSearchEngine engine);

class TEngineSites {
 public:
  struct TEntry {
    TSearchEngine engine;
    int index;           // result-page index read from the query
    std::string target;  // path and query as sent
    std::string cookie;  // the Cookie header sent with it
    std::int64_t stamp;  // the clock's value when it arrived (0 without a clock)
  };

  explicit TEngineSites(TSimulatedWeb& web);
  ~TEngineSites();
  TEngineSites(const TEngineSites&) = delete;
  TEngineSites& operator=(const TEngineSites&) = delete;

  // The answer to result-page `index` of any keyword.
  void SetPage(TSearchEngine engine, int index, TPage page);
  void SetHtml(TSearchEngine engine, int index, const std::string& html);
  // Replaces the scripted pages of an engine by a handler (index -> page); nullptr brings the
  // scripted pages back.
  void SetGenerator(TSearchEngine engine, std::function<TPage(int index)> generator);

  // Stamps each result-page request as it arrives (for virtual clocks).
  void SetClock(std::function<std::int64_t()> clock);
  // Called on the server's thread for each result-page request before it is answered.
  void SetOnRequest(std::function<void(const TEntry&)> observer);

  std::vector<TEntry> Log() const;
  std::vector<TEntry> Log(TSearchEngine engine) const;
  std::vector<std::string> Targets(TSearchEngine engine) const;

 private:
  TPage Answer(TSearchEngine engine, const TRequest& request);

  TSimulatedWeb& web_;
  mutable std::mutex mutex_;
  std::map<std::pair<int, int>, TPage> pages_;
  std::map<int, std::function<TPage(int)>> generators_;
  std::function<std::int64_t()> clock_;
  std::function<void(const TEntry&)> observer_;
  std::vector<TEntry> log_;
  int cookies_ = 0;
};

}  // namespace vlmr::test
