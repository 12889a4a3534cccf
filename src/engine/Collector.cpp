#include "engine/Collector.h"
#include "base/Guarded.h"

#include <algorithm>
#include <atomic>

#include "base/Text.h"
#include "engine/PageText.h"

namespace vlmr {
namespace {

TGuarded<TCollectorThread::TCrawlerFactory>& CrawlerFactory() {
  static TGuarded<TCollectorThread::TCrawlerFactory> factory;
  return factory;
}
std::atomic<int> g_requestTimeoutMs{0};

TWorkerThread* MakeCrawler(const TCrawlerOrder& order) {
  const TCollectorThread::TCrawlerFactory factory = CrawlerFactory().Get();
  if (factory) {
    return factory(order);
  }
  auto* crawler =
      order.flavour == TCrawlerFlavour::Baidu
          ? new TCaijiPageCon(order.para)
          : new TCaijiPageCon(order.flavour, order.para.window, order.para.keyword, order.para.url);
  crawler->SetProxy(order.proxy);
  return crawler;
}

THttpSettings ResultPageSettings() {
  THttpSettings settings = THttpSettings::Engine();
  int ms = g_requestTimeoutMs.load();
  if (ms > 0) {
    settings.connectTimeoutMs = ms;
    settings.idleTimeoutMs = ms;
  }
  return settings;
}

}  // namespace

TCollectorThread::TCollectorThread(TWindowHandle window, TEngineIndex engine, std::string keyword,
                                   int startPage)
    : window_(std::move(window)), engine_(engine), page_(startPage), client_(ResultPageSettings()) {
  info_.keyword = std::move(keyword);
  info_.source = SourceLabel(engine);
  info_.page = startPage;
}

TCollectorThread::~TCollectorThread() {
  // Inside the link's lock no crawler's end notification can run: an entry still listed is a
  // crawler that has not ended, stopped here before the link is cut.
  life_.Token().With([this](TCollectorThread&) {
    TEngineLocks::WithCrawlerList([this] {
      for (TCrawlerEntry& entry : crawlers_) {
        entry.crawler->Terminate();
      }
      crawlers_.clear();
    });
    life_.Cut();
  });
}

void TCollectorThread::SetCrawlerFactoryForTesting(TCrawlerFactory factory) {
  CrawlerFactory().Set(std::move(factory));
}

void TCollectorThread::SetRequestTimeoutForTesting(int ms) {
  g_requestTimeoutMs.store(std::max(0, ms));
}

void TCollectorThread::OnStopRequested() {
  client_.Abort();
}

void TCollectorThread::Execute() {
  // Through a proxy, the spacing of result pages counts from when each one went out.
  client_.SetOnRequestSent([this] {
    if (pageExit_.proxy) {
      TEngineLocks::Restamp(PageGate(), pageExit_.Key());
    }
  });
  while (!CheckStop()) {
    if (!WaitAtGate(PageGate(), 100)) {
      return;
    }
    if (!ProcessPage()) {
      return;
    }
  }
}

bool TCollectorThread::WaitAtGate(TGate gate, int pollMs) {
  const bool page = gate == PageGate();
  TExit& exit = page ? pageExit_ : siteExit_;
  int& turn = page ? pageTurn_ : siteTurn_;
  while (true) {
    if (CheckStop()) {
      return false;
    }
    const bool proxied = page ? TProxyPool::Active() : TProxyPool::SitesThroughProxies();
    int napMs = pollMs;
    if (!proxied) {
      if (TEngineLocks::TryPass(gate)) {
        exit = {};
        break;
      }
    } else {
      TProxyPool::TPick pick = TProxyPool::TryPass(gate, engine_, page, turn);
      if (pick.passed) {
        exit = std::move(pick.exit);
        break;
      }
      if (pick.noneUsable) {
        const std::int64_t left = pick.backAtMs - TEngineLocks::NowMs();
        napMs = static_cast<int>(std::clamp<std::int64_t>(left, 1, kCoolDownStepMs));
      }
    }
    Nap(napMs);
  }
  if (page) {
    client_.SetProxy(exit.proxy);
  }
  return true;
}

void TCollectorThread::Nap(int ms) {
  TEngineLocks::Sleep(ms, [this](int wait) { WaitOrStop(wait); });
}

void TCollectorThread::ReportProgress(const std::string& message) {
  if (Terminated()) {
    return;
  }
  info_.message = message;
  SendCollectReport(window_, TProgressReport{&info_});
}

void TCollectorThread::ReportPage() {
  if (Terminated()) {
    return;
  }
  SendCollectReport(window_, TPageReport{&info_});
}

const std::string& TCollectorThread::FetchingText() {
  static const std::string text = Utf8ToGbk("正在获取搜索结果...");
  return text;
}

const std::string& TCollectorThread::AnalysingText() {
  static const std::string text = Utf8ToGbk("正在分析采集结果...");
  return text;
}

const std::string& TCollectorThread::EnteringText() {
  static const std::string text = Utf8ToGbk("正在进入企业网站...");
  return text;
}

void TCollectorThread::StartCrawler(const TCrawlerOrder& order) {
  TCrawlerOrder routed = order;
  routed.proxy = siteExit_.proxy;
  TWorkerThread* crawler = MakeCrawler(routed);
  if (!crawler) {
    return;
  }
  const std::string key = std::to_string(crawler->Id());
  crawler->SetOnTerminate([owner = life_.Token(), key](TWorkerThread&) {
    owner.With([&](TCollectorThread& collector) { collector.CrawlerEnded(key); });
  });
  // Entered before it starts, so that its end always finds its entry.
  TEngineLocks::WithCrawlerList([&] { crawlers_.push_back({key, crawler}); });
  try {
    crawler->Start();
  } catch (...) {
    // No thread for it: it never runs, so it never frees itself; its entry goes.
    CrawlerEnded(key);
    throw;
  }
}

void TCollectorThread::CrawlerEnded(const std::string& key) {
  TEngineLocks::WithCrawlerList(
      [&] { std::erase_if(crawlers_, [&](const TCrawlerEntry& e) { return e.key == key; }); });
}

bool TCollectorThread::EnterSite(TGate siteGate, TCrawlerOrder order) {
  ReportProgress(EnteringText());
  if (!WaitAtGate(siteGate, 50)) {
    return false;
  }
  order.para.window = window_;
  order.para.keyword = info_.keyword;
  StartCrawler(order);
  return true;
}

void TCollectorThread::TakeLinkAddress(std::string_view anchor, TUniqueStringList& addresses) {
  std::size_t start = FindGbk(anchor, "http://");
  if (start == std::string_view::npos) {
    return;
  }
  std::string_view rest = anchor.substr(start);
  std::size_t quote = rest.find('"');
  if (quote == std::string_view::npos) {
    return;
  }
  addresses.Add(rest.substr(0, quote));
}

void TCollectorThread::StartLinkCrawlers(const TUniqueStringList& addresses, TGate siteGate,
                                         TCrawlerFlavour flavour) {
  try {
    for (const std::string& address : addresses) {
      if (CheckStop()) {
        return;
      }
      TCrawlerOrder order;
      order.flavour = flavour;
      order.para.url = address;
      if (!EnterSite(siteGate, std::move(order))) {
        return;
      }
    }
  } catch (...) {
    // A crawler that could not be started ends the step; the page still counts.
  }
}

bool TCollectorThread::IsVerification(std::string_view body) const {
  return IsVerificationPage(engine_, client_.FinalUrl(), body);
}

bool TCollectorThread::ProxyFailed(bool ok, bool verification) {
  if (!pageExit_.proxy || verification || (!ok && client_.LastError() == THttpError::Aborted)) {
    return false;
  }
  if (!ok && IsProxyFailure(client_.LastError())) {
    TProxyPool::Failed(pageExit_);
    return true;
  }
  TProxyPool::Answered(pageExit_, engine_);
  return false;
}

bool TCollectorThread::CoolDownAfterVerification() {
  if (pageExit_.proxy) {
    const int next = TProxyPool::Challenged(pageExit_, engine_, pageTurn_);
    ReportProgress(next != 0 ? ProxySwitchText(engine_, pageExit_.number, next)
                             : VerificationText(engine_));
    return !CheckStop();
  }
  ReportProgress(VerificationText(engine_));
  const std::int64_t until = TEngineLocks::NowMs() + coolDownMs_;
  coolDownMs_ = NextCoolDownMs(coolDownMs_);
  while (true) {
    if (CheckStop()) {
      return false;
    }
    const std::int64_t left = until - TEngineLocks::NowMs();
    if (left <= 0) {
      return true;
    }
    Nap(static_cast<int>(std::min<std::int64_t>(left, kCoolDownStepMs)));
  }
}

std::string TCollectorThread::ResultPageText(std::string_view body) {
  // Line breaks of any kind become CR LF, as the page's lines joined with CR LF would.
  std::string joined;
  joined.reserve(body.size() + body.size() / 32);
  for (std::size_t i = 0; i < body.size(); ++i) {
    char c = body[i];
    if (c == '\r' || c == '\n') {
      joined += "\r\n";
      if (c == '\r' && i + 1 < body.size() && body[i + 1] == '\n') {
        ++i;
      }
    } else {
      joined.push_back(c);
    }
  }
  return Utf8ToGbk(Trim(joined));
}

}  // namespace vlmr
