#include "engine/CaijiBaidu.h"
#include "base/Guarded.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/Text.h"
#include "base/Utils.h"
#include "engine/PageText.h"
#include "engine/records/EngineSettings.h"

namespace vlmr {
namespace {

TGuarded<std::string>& LastPageFolder() {
  static TGuarded<std::string> folder;
  return folder;
}

struct TBaiduPatterns {
  std::string promoted;  // a promoted block: from its <div id=... data-click=...> to "推广"
  std::string ordinary;  // an ordinary block: from its <div ... srcid=...> to "快照"
  std::string adLink;    // the ad-click anchor inside a promoted block
  std::string fullWidthColon;
};

const TBaiduPatterns& Patterns() {
  static const TBaiduPatterns patterns = {
      Utf8ToGbk(R"(<div id="[^>]*(data-click=)[^>]*>([\s\S]*?)推广)"),
      Utf8ToGbk(R"(<div[^>]*(srcid=)[^>]*>([\s\S]*?)(快照))"),
      std::string("<a[^>]*") + BaiduDomain + R"(/baidu.php?[^>]*>(?:.|[\r\n])*?</a>)",
      Utf8ToGbk("："),
  };
  return patterns;
}

// Every occurrence of `ch` (a whole GBK character) removed.
std::string RemoveGbk(const std::string& text, std::string_view ch) {
  std::string out;
  std::size_t pos = 0;
  while (true) {
    std::size_t hit = FindGbk(text, ch, pos);
    if (hit == std::string::npos) {
      break;
    }
    out.append(text, pos, hit - pos);
    pos = hit + ch.size();
  }
  out.append(text, pos, std::string::npos);
  return out;
}

// A title or link as a promoted block gives it: no quotes, no full-width colon, trimmed.
std::string CleanPromoted(const std::string& text) {
  std::string out = ReplaceAll(ReplaceAll(text, "'", ""), "\"", "");
  return Trim(RemoveGbk(out, Patterns().fullWidthColon));
}

}  // namespace

TCaijiBaidu::TCaijiBaidu(TWindowHandle window, std::string keyword, int startPage)
    : TCollectorThread(std::move(window), ENGINE_BAIDU, std::move(keyword), startPage) {}

std::string TCaijiBaidu::PageAddress(const std::string& keyword, int page) {
  std::string address =
      std::string("http://") + BaiduSearchHost + "/s?wd=" + UrlEncode(keyword, false);
  if (page != 0) {
    address += "&pn=" + std::to_string(static_cast<long long>(page) * 10);
  }
  return address;
}

void TCaijiBaidu::SetLastPageFolderForTesting(std::string folder) {
  LastPageFolder().Set(std::move(folder));
}

bool TCaijiBaidu::ProcessPage() {
  switch (FetchAndAnalyse()) {
    case TOutcome::Counted:
      ++page_;
      info_.page = page_;
      ReportPage();
      return true;
    case TOutcome::Verification:
      return CoolDownAfterVerification();
    case TOutcome::NotCounted:
      break;
  }
  return true;
}

TCaijiBaidu::TOutcome TCaijiBaidu::FetchAndAnalyse() {
  const std::string address = PageAddress(info_.keyword, page_);
  ReportProgress(FetchingText());

  std::string body;
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    const bool ok = client_.Get(address, body);
    const bool verification = IsVerification(ok ? std::string_view(body) : std::string_view());
    if (ProxyFailed(ok, verification)) {
      return TOutcome::NotCounted;  // the next turn goes through the next proxy
    }
    // A verification page is not asked for again at once, whether it loaded or not.
    if (verification) {
      return CheckStop() ? TOutcome::NotCounted : TOutcome::Verification;
    }
    if (ok) {
      break;
    }
    Nap(100);
    if (CheckStop()) {
      return TOutcome::NotCounted;
    }
  }
  ResetCoolDown();
  if (CheckStop() || body.size() <= kMinBodyBytes) {
    return TOutcome::NotCounted;
  }

  std::string text = ResultPageText(body);
  WriteLastPage(text);
  ReportProgress(AnalysingText());
  text = TextBetween(R"(id="content_left")", R"(id="page")", text);

  PromotedPass(regExp_.FindAll(text, Patterns().promoted));
  // From here the page counts as fetched, whatever the ordinary pass does.
  OrdinaryPass(regExp_.FindAll(text, Patterns().ordinary));
  return TOutcome::Counted;
}

void TCaijiBaidu::PromotedPass(const std::vector<std::string>& blocks) {
  for (const std::string& found : blocks) {
    const std::string block = Trim(found);
    if (block.empty()) {
      continue;
    }
    std::string attributes = TextBetween("data-renzheng=", "}", block);
    if (attributes.empty()) {
      continue;
    }
    attributes = TextBetween("{", "", attributes);
    std::string title = attributes.find('"') == std::string::npos
                            ? TextBetween("title:'", "'", attributes)
                            : TextBetween(R"(title":")", "\"", attributes);
    std::string link;
    std::vector<std::string> ads = regExp_.FindAll(block, Patterns().adLink);
    if (!ads.empty()) {
      link = Trim(TextBetween(R"(href=")", "\"", ads.front()));
    }
    if (link.empty()) {
      continue;
    }
    link = CleanPromoted(link);
    title = CleanPromoted(title);

    if (!EnterBaiduSite(title, link, 1)) {
      return;
    }
  }
}

void TCaijiBaidu::OrdinaryPass(const std::vector<std::string>& blocks) {
  // The session's cookie as Baidu last saw it; the next page's promoted pass uses it too.
  cookie_ = client_.LastCookieHeader();
  for (const std::string& found : blocks) {
    const std::string block = Trim(found);
    if (block.empty()) {
      continue;
    }
    std::string data = TextBetween("data-tools=", "}", block);
    if (data.empty()) {
      continue;
    }
    data = TextBetween("{", "", data);
    std::string title, link;
    if (data.find('"') == std::string::npos) {
      title = TextBetween("title:'", "'", data);
      link = TextBetween("url:'", "'", data);
    } else {
      title = TextBetween(R"(title":")", "\"", data);
      link = TextBetween(R"(url":")", "\"", data);
    }
    if (link.empty()) {
      continue;
    }
    std::uint8_t certified = 0;
    std::string hint = TextBetween("hint-data=", "}", block);
    if (!hint.empty()) {
      title = TextBetween(R"(label":")", "\"", hint);
      certified = 1;
    }

    if (!EnterBaiduSite(title, link, certified)) {
      return;
    }
  }
}

bool TCaijiBaidu::EnterBaiduSite(const std::string& title, const std::string& link,
                                 std::uint8_t certified) {
  TCrawlerOrder order;
  order.flavour = TCrawlerFlavour::Baidu;
  order.para.title = title;
  order.para.url = link;
  order.para.cookie = cookie_;
  order.para.renZheng = certified;
  return EnterSite(TGate::BaiduSite, std::move(order));
}

void TCaijiBaidu::WriteLastPage(const std::string& text) const {
  const std::filesystem::path folder = LastPageFolder().Get();
  // Written aside and renamed over the old file, so that two collectors writing at once leave
  // one whole page or the other, never a mix. A file that cannot be written is no reason to
  // stop collecting.
  std::error_code ec;
  std::filesystem::path target = folder / "2.txt";
  std::filesystem::path aside = folder / ("2.txt." + std::to_string(Id()) + ".tmp");
  {
    std::ofstream out(aside, std::ios::binary | std::ios::trunc);
    if (!out) {
      return;
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
      std::filesystem::remove(aside, ec);
      return;
    }
  }
  std::filesystem::rename(aside, target, ec);
  if (ec) {
    std::filesystem::remove(aside, ec);
  }
}

}  // namespace vlmr
