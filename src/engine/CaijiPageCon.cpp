#include "engine/CaijiPageCon.h"
#include "base/Guarded.h"

#include <chrono>

#include "base/Text.h"
#include "engine/BeiAn.h"
#include "engine/ContactExtract.h"
#include "engine/PageCharset.h"
#include "engine/PageRedirect.h"
#include "engine/PageText.h"
#include "engine/RegExp.h"
#include "engine/SiteCredits.h"
#include "engine/SiteLinks.h"
#include "engine/records/EngineSettings.h"
#include "net/HttpClient.h"
#include "net/HttpFetch.h"

namespace vlmr {

// What sets one engine's crawler apart from the others'. Everything else is common.
struct TCaijiPageCon::TFlavourRow {
  TEngineIndex engine;      // gives the source label
  int attempts;             // of the request for the result's link
  bool https;               // whether that request may use TLS (the link or a redirect)
  bool sendsCookie;         // the collector's cookie goes with that request
  std::string payMarker;    // a start address holding this came through an ad click
  bool allContactLinks;     // the four contact-link patterns, or only the exact "联系我们" link
  TNameStep nameStep;       // how a page names a company still without a name
  bool homePassUnlessBoth;  // the home page is read unless the contact page gave a landline
                            // and a mobile (otherwise: unless it gave either)
  bool finalStatus;         // "企业信息采集完成" ends the run
};

const TCaijiPageCon::TFlavourRow& TCaijiPageCon::RowOf(TCrawlerFlavour flavour) {
  static const TFlavourRow kBaidu{
      .engine = ENGINE_BAIDU,
      .attempts = 4,
      .https = true,
      .sendsCookie = true,
      .payMarker = std::string(BaiduDomain) + "/baidu.php",
      .allContactLinks = true,
      .nameStep = TNameStep::FirstTitle,
      .homePassUnlessBoth = false,
      .finalStatus = true,
  };
  static const TFlavourRow k360{
      .engine = ENGINE_360,
      .attempts = 1,
      .https = true,
      .sendsCookie = false,
      .payMarker = std::string(Ad360Host) + "/search/eclk?",
      .allContactLinks = true,
      .nameStep = TNameStep::FindCompanyName,
      .homePassUnlessBoth = true,
      .finalStatus = false,
  };
  // The 360 row with Sogou's label and ad marker, and only the exact contact link.
  static const TFlavourRow kSogou{
      .engine = ENGINE_SOGOU,
      .attempts = 1,
      .https = true,
      .sendsCookie = false,
      .payMarker = std::string(SogouDomain) + "/bill_cpc?",
      .allContactLinks = false,
      .nameStep = TNameStep::FindCompanyName,
      .homePassUnlessBoth = true,
      .finalStatus = false,
  };
  switch (flavour) {
    case TCrawlerFlavour::So360:
      return k360;
    case TCrawlerFlavour::Sogou:
      return kSogou;
    case TCrawlerFlavour::Baidu:
      break;
  }
  return kBaidu;
}

namespace {

struct TStatusTexts {
  std::string entering = Utf8ToGbk("正在进入企业网站:");
  std::string analysing = Utf8ToGbk("正在分析企业详细信息:");
  std::string extracting = Utf8ToGbk("正在提取联系方式:");
  std::string passStart = Utf8ToGbk("开始获取企业详细信息...");
  std::string detailsOpen = Utf8ToGbk("正在获取[");
  std::string detailsClose = Utf8ToGbk("]详细信息...");
  std::string done = Utf8ToGbk("企业信息采集完成");
};

const TStatusTexts& Texts() {
  static const TStatusTexts texts;
  return texts;
}

TGuarded<TCrawlerTimeouts>& CurrentTimeouts() {
  static TGuarded<TCrawlerTimeouts> timeouts;
  return timeouts;
}

}  // namespace

TCrawlerTimeouts CrawlerTimeouts() {
  return CurrentTimeouts().Get();
}

void SetCrawlerTimeoutsForTesting(const TCrawlerTimeouts& timeouts) {
  CurrentTimeouts().Set(timeouts);
}

void ResetCrawlerTimeoutsForTesting() {
  SetCrawlerTimeoutsForTesting(TCrawlerTimeouts{});
}

TCaijiPageCon::TCaijiPageCon(const TPagePara& para)
    : TCaijiPageCon(TCrawlerFlavour::Baidu, para.window, para.keyword, para.url) {
  title_ = para.title;
  cookie_ = para.cookie;
  renZheng_ = para.renZheng;
}

TCaijiPageCon::TCaijiPageCon(TCrawlerFlavour flavour, TWindowHandle window, std::string keyword,
                             std::string startUrl)
    : row_(RowOf(flavour)),
      flavour_(flavour),
      window_(std::move(window)),
      startUrl_(std::move(startUrl)),
      timeouts_(CrawlerTimeouts()),
      regExp_(std::make_unique<TRegExp>()) {
  record_.keyword = std::move(keyword);

  THttpSettings first = THttpSettings::Engine();
  first.connectTimeoutMs = timeouts_.firstRequestMs;
  first.idleTimeoutMs = timeouts_.firstRequestMs;
  first.allowHttps = row_.https;
  http_ = std::make_unique<THttpClient>(std::move(first));

  THttpSettings lookup = TBeiAn::ClientSettings();
  lookup.connectTimeoutMs = timeouts_.lookupMs;
  lookup.idleTimeoutMs = timeouts_.lookupMs;
  beiAn_ = std::make_unique<TBeiAn>(std::move(lookup));
}

TCaijiPageCon::~TCaijiPageCon() = default;

void TCaijiPageCon::SetProxy(const std::optional<TProxy>& proxy) {
  proxy_ = proxy;
  http_->SetProxy(proxy);
  beiAn_->SetProxy(proxy);
}

void TCaijiPageCon::OnStopRequested() {
  // Both clients live as long as the crawler, and Abort may be called from any thread.
  http_->Abort();
  beiAn_->Abort();
}

void TCaijiPageCon::ReportStatus(const std::string& text) {
  if (Terminated() || !window_) {
    return;
  }
  status_ = text;
  SendCollectReport(window_, TStatusReport{&status_, &record_.keyword});
}

void TCaijiPageCon::ReportCompany() {
  if (Terminated() || !window_) {
    return;
  }
  SendCollectReport(window_, TCompanyReport{&record_});
}

bool TCaijiPageCon::FirstRequest(std::string& body) {
  if (row_.sendsCookie && !cookie_.empty()) {
    http_->SetCookieHeader(cookie_);
  }
  for (int attempt = 1; attempt <= row_.attempts; ++attempt) {
    if (http_->Get(startUrl_, body)) {
      return true;
    }
    if (attempt < row_.attempts && WaitOrStop(timeouts_.retryPauseMs)) {
      return false;
    }
  }
  return false;
}

std::string TCaijiPageCon::LookupName(const std::string& address) {
  // A lookup that fails (the site is down, answers an error, or its page defeats the pattern
  // service) found no name; the company is still worth its contacts.
  try {
    return beiAn_->Lookup(address);
  } catch (const std::exception&) {
    return {};
  }
}

bool TCaijiPageCon::FetchPage(const std::string& address, TFetchedPage& page) {
  using Clock = std::chrono::steady_clock;
  const bool bounded = timeouts_.pageFetchMs > 0;
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(timeouts_.pageFetchMs);
  return vlmr::FetchPage(
      address, page,
      [this, bounded, deadline] { return Terminated() || (bounded && Clock::now() >= deadline); },
      proxy_);
}

void TCaijiPageCon::FollowPageRedirects(std::string& text) {
  for (int hop = 0; hop < kMaxPageRedirects && !CheckStop(); ++hop) {
    const std::string from = redirectedUrl_.empty() ? http_->FinalUrl() : redirectedUrl_;
    const std::string address = RedirectAddress(from, PageRedirectTarget(text));
    if (address.empty() || address == from) {
      return;
    }
    // The page the hop leaves stays the run's page when the hop fails; the client's last answer
    // (its final address above all) is then that failure's, so the hop is made on a client of
    // its own settings and taken only when it succeeds.
    THttpClient hopClient(http_->Settings());
    hopClient.SetStopQuery([this] { return Terminated(); });
    std::string body;
    if (!hopClient.Get(address, body) || body.empty()) {
      return;
    }
    text = DecodePage(body, hopClient.ContentType(), true);
    redirectedUrl_ = hopClient.FinalUrl();
  }
}

void TCaijiPageCon::ExtractionPass(const std::string& address) {
  const TStatusTexts& texts = Texts();
  ReportStatus(texts.passStart);
  if (address.empty()) {
    return;
  }
  std::string text;
  {
    TFetchedPage page;
    if (!FetchPage(address, page)) {
      return;
    }
    text = DecodePage(page.body, page.contentType, false);
  }
  if (directoryEntry_) {
    text = WithoutFooterBlocks(text);
  }
  // What the run knows of the site before this page. A page without any number clears the
  // record; the site's name, address, label and mark come back, so that a later pass still
  // reads the home page and reports a whole record. The QQ numbers the page gave stay.
  const TComPanyInfo before = record_;
  ApplyNameStep(row_.nameStep, PageTitles(*regExp_, text), record_);
  ReportStatus(texts.detailsOpen + record_.GetComName() + texts.detailsClose);
  if (ExtractContacts(*regExp_, text, record_)) {
    ReportCompany();
    return;
  }
  TUniqueStringList qqs = std::move(record_.qqs);
  record_ = before;
  record_.qqs = std::move(qqs);
}

void TCaijiPageCon::Execute() {
  const TStatusTexts& texts = Texts();
  ReportStatus(texts.entering + startUrl_);

  std::string text;
  {
    std::string body;
    if (!FirstRequest(body) || CheckStop() || body.empty()) {
      return;
    }
    text = DecodePage(body, http_->ContentType(), true);
  }
  FollowPageRedirects(text);
  if (CheckStop()) {
    return;
  }

  record_.Clear();
  record_.webUrl = redirectedUrl_.empty() ? http_->FinalUrl() : redirectedUrl_;
  if (IsEngineUrl(record_.webUrl)) {
    return;  // the link never left the engine
  }
  std::string title = title_;
  std::string filed;
  if (renZheng_ != 1) {
    filed = LookupName(record_.webUrl);
    if (!filed.empty()) {
      title = filed;
    }
  }
  // A directory's entry page names the listed company; the directory's own name, contact page
  // and footer numbers are not that company's.
  if (std::string entry = DirectoryEntryName(filed, record_.webUrl, PageTitles(*regExp_, text));
      !entry.empty()) {
    title = std::move(entry);
    directoryEntry_ = true;
  }
  record_.renZheng = renZheng_;
  record_.source = SourceLabel(row_.engine);
  record_.SetComName(title);
  record_.isPay = startUrl_.find(row_.payMarker) != std::string::npos ? 1 : 0;

  ReportStatus(texts.analysing + record_.webUrl);
  if (CheckStop()) {
    return;
  }

  if (std::string link =
          directoryEntry_ ? std::string() : FindContactLink(*regExp_, text, !row_.allContactLinks);
      !link.empty()) {
    std::string address = MakeAbsolute(HostOfUrl(record_.webUrl), HrefOf(link));
    if (!address.empty()) {
      ReportStatus(texts.extracting + address);
      ExtractionPass(address);
    }
  }
  if (CheckStop()) {
    return;
  }

  const bool noTel = record_.tels.empty(), noMobile = record_.mobiles.empty();
  if (row_.homePassUnlessBoth ? (noTel || noMobile) : (noTel && noMobile)) {
    // The home page, at the site's address as the run found it (a contact page without any
    // number leaves that address in place).
    ExtractionPass(record_.webUrl);
  }
  if (row_.finalStatus) {
    ReportStatus(texts.done);
  }
}

}  // namespace vlmr
