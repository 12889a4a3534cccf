// Base of the three result-page collectors: a worker thread with its progress record, its
// HTTP client for result pages, the page loop, the waits at the pacing gates, its reports and
// its list of running crawlers.
//
// The crawler list. Every crawler a collector starts is entered in its list, keyed by the
// crawler's Id() in decimal, before it starts. The crawler's end notification (UI thread)
// reaches the collector only through the collector's life link (TLifeLink) and removes the
// entry; the collector's end (its own thread, after its own end notification) sweeps what is
// left inside the link's lock: each crawler is asked to stop, then the link is cut, so a
// notification that runs after the sweep finds the link cut and touches nothing. An entry present
// inside the link's lock means the crawler has not finished its notification, so it is still
// alive when the sweep stops it. The list itself is read and written under the crawler-list
// lock (the collector adds from its thread). This relies on the program's order of ending: the
// UI dispatcher and the engine locks outlive every worker.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/LifeLink.h"
#include "base/MessageTarget.h"
#include "base/StringList.h"
#include "base/Thread.h"
#include "engine/CaijiPageCon.h"
#include "engine/Gates.h"
#include "engine/ProxyPool.h"
#include "engine/RegExp.h"
#include "engine/VerifyPage.h"
#include "engine/records/CollectReport.h"
#include "engine/records/KeyUnit.h"
#include "net/HttpClient.h"

namespace vlmr {

// What a collector hands to a crawler it starts: the flavour and its parameters (every field
// for the Baidu flavour; window, url and keyword for the other two).
struct TCrawlerOrder {
  TCrawlerFlavour flavour = TCrawlerFlavour::Baidu;
  TPagePara para;
  std::optional<TProxy> proxy;  // the crawler's way to the site; nullopt: direct
};

class TCollectorThread : public TWorkerThread {
 public:
  // Makes a crawler, not yet started.
  using TCrawlerFactory = std::function<TWorkerThread*(const TCrawlerOrder& order)>;

  TCollectorThread(TWindowHandle window, TEngineIndex engine, std::string keyword, int startPage);

  TEngineIndex Engine() const { return engine_; }
  // Read by the controller's end handler, on the UI thread, while the collector waits. Its
  // page starts at the start page, so a collector stopped before it finished a page reports
  // the page it was given, not 0.
  const TCaiJiInfo& Progress() const { return info_; }

  // A stop also aborts the result-page request in flight.
  void OnStopRequested() override;

  // Test seams. The factory makes every crawler from now on (nullptr: the real crawler). The
  // time-out is the connect and idle limit of the result-page requests of collectors made from
  // now on (0: 5000 ms).
  static void SetCrawlerFactoryForTesting(TCrawlerFactory factory);
  static void SetRequestTimeoutForTesting(int ms);
  static constexpr int kRequestTimeoutMs = 5000;

 protected:
  // The final sweep of the crawler list.
  ~TCollectorThread() override;

  // The page loop: until asked to stop, wait at the result-page gate (polling every 100 ms; a
  // stop meanwhile ends the run), then one turn of ProcessPage, which ends the run by
  // returning false.
  void Execute() override;
  virtual TGate PageGate() const = 0;
  virtual bool ProcessPage() = 0;

  // Waits at `gate`, polling every `pollMs`; false when asked to stop meanwhile. Pausing holds
  // the wait. With proxies (ProxyPool.h) it is the gate of the next proxy in turn that passes:
  // for the result-page gate always, for the site gate when sites go through proxies; the
  // proxy passed is the exit of the request or crawler that follows. When no proxy may be used
  // now, the wait lasts until the first comes back.
  bool WaitAtGate(TGate gate, int pollMs);
  // A pause of `ms` through the pacing clock, cut short by a stop.
  void Nap(int ms);

  // Reports, skipped once the collector has been asked to stop.
  void ReportProgress(const std::string& message);
  void ReportPage();
  // The progress texts (GBK): "正在获取搜索结果...", "正在分析采集结果...", "正在进入企业网站...".
  static const std::string& FetchingText();
  static const std::string& AnalysingText();
  static const std::string& EnteringText();

  // Enters the crawler the factory makes for `order` in the crawler list and starts it. Raises
  // when no thread could be made for it.
  void StartCrawler(const TCrawlerOrder& order);

  // Enters one company site, the step every collector takes for a site it found: the progress
  // text "正在进入企业网站...", a pass of `siteGate` (polling every 50 ms), then the crawler for
  // `order`, which gets this collector's window and keyword. False when a stop came at the
  // gate (nothing started). Raises as StartCrawler does.
  bool EnterSite(TGate siteGate, TCrawlerOrder order);

  // The site addresses of Sogou and 360: the link address of an anchor (from its first
  // "http://" to the double quote after it) is appended unless it is listed already.
  static void TakeLinkAddress(std::string_view anchor, TUniqueStringList& addresses);
  // One crawler of `flavour` per address, in order, each after a pass of `siteGate` (polling
  // every 50 ms); a stop ends the step, and so does an error, silently.
  void StartLinkCrawlers(const TUniqueStringList& addresses, TGate siteGate,
                         TCrawlerFlavour flavour);

  // A result page's text: the body's lines joined with CR LF, trimmed, decoded from UTF-8
  // (a body that is not UTF-8 gives an empty text).
  static std::string ResultPageText(std::string_view body);

  // Verification pages (VerifyPage.h). True when the last answer of the result-page client is
  // the engine's verification page; `body` is empty when the request failed.
  bool IsVerification(std::string_view body) const;
  // After a verification page: the progress text naming the engine, then the cool-down on the
  // pacing clock (1 minute, doubled after each further verification page in a row, at most
  // 30 minutes). A stop ends it at once (false: the run ends); a pause holds it. The same page
  // is asked for again afterwards, past the result-page gate as always.
  bool CoolDownAfterVerification();
  // Any other answer: the next cool-down is the first one again.
  void ResetCoolDown() { coolDownMs_ = kFirstCoolDownMs; }
  // Through a proxy, a verification page cools that proxy instead, and the progress text names
  // the proxy that takes over; the collector goes on at once (its next gate wait skips the
  // proxies that are cooling). Tells the pool how a result-page request through a proxy went;
  // true when the proxy is to blame for a failure: the page is then asked for again, through
  // the next proxy.
  bool ProxyFailed(bool ok, bool verification);

  TWindowHandle window_;
  TEngineIndex engine_;
  TCaiJiInfo info_;
  int page_;
  THttpClient client_;
  TRegExp regExp_;

 private:
  struct TCrawlerEntry {
    std::string key;
    TWorkerThread* crawler;
  };
  void CrawlerEnded(const std::string& key);

  std::vector<TCrawlerEntry> crawlers_;  // only under the crawler-list lock
  int coolDownMs_ = kFirstCoolDownMs;
  TExit pageExit_;  // of the result-page request under way
  TExit siteExit_;  // of the crawler about to start
  int pageTurn_ = 0;
  int siteTurn_ = 0;
  TLifeLink<TCollectorThread> life_{*this};  // what the crawlers' end notifications reach
};

}  // namespace vlmr
