#include "support/EngineSites.h"

#include <stdexcept>

#include "engine/records/EngineSettings.h"

namespace vlmr::test {
namespace {

const char* const kEngineCookie[] = {"BAIDUID", "SUID", "QiHooGUID"};

int Slot(TSearchEngine engine) {
  return static_cast<int>(engine);
}

// The value of `name` in a query ("a=1&b=2"); empty when absent.
std::string QueryValue(const std::string& query, const std::string& name) {
  std::size_t pos = 0;
  while (pos <= query.size()) {
    std::size_t end = query.find('&', pos);
    if (end == std::string::npos)
      end = query.size();
    std::string part = query.substr(pos, end - pos);
    if (part.rfind(name + "=", 0) == 0)
      return part.substr(name.size() + 1);
    pos = end + 1;
  }
  return {};
}

int Number(const std::string& text, int fallback) {
  try {
    return text.empty() ? fallback : std::stoi(text);
  } catch (...) {
    return fallback;
  }
}

// The site an ad-click or link address names: everything after its "url=" (always last).
std::string TargetOf(const TRequest& request) {
  std::size_t at = request.query.find("url=");
  return at == std::string::npos ? "" : request.query.substr(at + 4);
}

std::string Filler(std::size_t bytes) {
  // An HTML comment of exactly `bytes` bytes (at least 7).
  if (bytes < 7)
    throw std::logic_error("filler too short");
  return "<!--" + std::string(bytes - 7, 'f') + "-->";
}

std::string Head(const std::string& title, const std::string& filler) {
  return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title + "</title>" +
         filler + "</head>\n<body>\n";
}

std::string BaiduAdBlock(const TBaiduAd& ad, std::size_t n) {
  std::string out = "<div id=\"300" + std::to_string(n) +
                    "\" class=\"ec_tuiguang_pplink\" data-click=\"{'rsv_cd':'" + std::to_string(n) +
                    "'}\"";
  if (ad.renzheng) {
    if (ad.quote == TQuote::Double)
      out += " data-renzheng='{\"title\":\"" + ad.title + "\",\"v\":1}'";
    else
      out += " data-renzheng=\"{title:'" + ad.title + "',v:1}\"";
  }
  out += ">\n<h3 class=\"t\"><a href=\"" + (ad.adLink ? BaiduAdClick(ad.site) : ad.site) +
         "\" target=\"_blank\">" + ad.title + " 官网</a></h3>\n" +
         "<div class=\"ec_desc\">专业服务，欢迎来电</div><span class=\"ec_tuiguang\">推广</span>"
         "</div>\n";
  return out;
}

std::string BaiduResultBlock(const TBaiduResult& r, std::size_t n) {
  std::string link = BaiduLink(r.site);
  std::string out = "<div class=\"result c-container\" id=\"" + std::to_string(n) +
                    "\" srcid=\"1599\" tpl=\"se_com_default\" data-click=\"{'rsv_bdr':'0'}\">\n"
                    "<h3 class=\"t\"><a href=\"" +
                    link + "\" target=\"_blank\">" + r.title + "</a></h3>\n";
  if (r.hint) {
    out += r.label.empty() ? "<span class=\"c-icon\" hint-data='{\"type\":\"v\"}'></span>\n"
                           : "<span class=\"c-icon\" hint-data='{\"label\":\"" + r.label +
                                 "\",\"type\":\"v\"}'></span>\n";
  }
  out += "<div class=\"c-abstract\">公司简介与产品介绍</div>\n<div class=\"f13\">";
  if (r.quote == TQuote::Double)
    out += "<div class=\"c-tools\" data-tools='{\"title\":\"" + r.title + "\",\"url\":\"" + link +
           "\"}'></div>";
  else
    out +=
        "<div class=\"c-tools\" data-tools=\"{title:'" + r.title + "',url:'" + link + "'}\"></div>";
  out += "<a href=\"http://cache.baiducontent.com/c?m=" + std::to_string(n) +
         "\" class=\"m\">百度快照</a></div>\n</div>\n";
  return out;
}

std::string LinkAnchor(const std::string& href, const TLinkResult& r) {
  std::string quote = r.href == TQuote::Double ? "\"" : "'";
  return "<a href=" + quote + href + quote + r.extraAttributes + ">" + r.title + "</a>";
}

std::string Padded(const std::string& rest, std::size_t exact, const std::string& title) {
  if (exact == 0)
    return Head(title, "<script>" + std::string(3000, 's') + "</script>") + rest;
  std::size_t bare = Head(title, "").size() + rest.size();
  if (bare + 7 > exact)
    throw std::logic_error("the page does not fit the size asked for");
  return Head(title, Filler(exact - bare)) + rest;
}

}  // namespace

std::string BaiduAdClick(const std::string& site) {
  return std::string("http://") + BaiduSearchHost + "/baidu.php?sc=ad&url=" + site;
}

std::string BaiduLink(const std::string& site) {
  return std::string("http://") + BaiduSearchHost + "/link?url=" + site;
}

std::string SogouAdClick(const std::string& site) {
  return std::string("http://") + SogouSearchHost + "/bill_cpc?v=1&p=ad&url=" + site;
}

std::string So360AdClick(const std::string& site) {
  return std::string("http://") + Ad360Host + "/search/eclk?p=ad&url=" + site;
}

const char* SearchHost(TSearchEngine engine) {
  switch (engine) {
    case TSearchEngine::Baidu:
      return BaiduSearchHost;
    case TSearchEngine::Sogou:
      return SogouSearchHost;
    case TSearchEngine::So360:
      return Search360Host;
  }
  return "";
}

std::string BaiduHtml(const TBaiduPage& page) {
  std::string body =
      "<div id=\"wrapper\"><div id=\"head\"><a href=\"http://www.baidu.com/\">"
      "百度首页</a></div>\n<div id=\"container\">\n";
  if (page.contentLeft)
    body += "<div id=\"content_left\">\n";
  else
    body += "<div id=\"content_main\">\n";
  for (std::size_t i = 0; i < page.ads.size(); ++i)
    body += BaiduAdBlock(page.ads[i], i + 1);
  for (std::size_t i = 0; i < page.results.size(); ++i)
    body += BaiduResultBlock(page.results[i], i + 1);
  body += "</div>\n";
  if (page.pageMarker)
    body += "<div id=\"page\"><a href=\"/s?wd=x&pn=10\">下一页&gt;</a></div>\n";
  body += "</div></div>\n</body></html>\n";
  return Padded(body, page.exactSize, "百度搜索");
}

std::string SogouHtml(const TLinkPage& page) {
  std::string body;
  if (page.engineLinks)
    body += "<div class=\"header\"><a href=\"http://www.sogou.com/\" id=\"logo\">搜狗</a></div>\n";
  body += "<div id=\"main\"><div class=\"results\">\n";
  for (std::size_t i = 0; i < page.results.size(); ++i) {
    const TLinkResult& r = page.results[i];
    std::string n = std::to_string(i + 1);
    if (r.ad) {
      body += "<div class=\"rb\"><h3 class=\"pt\">" + LinkAnchor(SogouAdClick(r.site), r) +
              "</h3><cite>" + r.site + "</cite></div>\n";
    } else {
      body += "<div class=\"vrwrap\"><h3 class=\"vr-title\">" + LinkAnchor(r.site, r) + "</h3>";
      if (page.engineLinks)
        body += "<div class=\"fb\"><a href=\"http://www.sogou.com/snapshot?id=" + n +
                "\" target=\"_blank\">快照</a></div>";
      body += "</div>\n";
    }
  }
  body += "</div></div>\n";
  if (page.engineLinks)
    body +=
        "<div id=\"pagebar_container\"><a id=\"sogou_next\" "
        "href=\"http://www.sogou.com/web?query=x&page=2\">下一页</a></div>\n";
  body += "</body></html>\n";
  return Padded(body, 0, "搜狗搜索");
}

std::string So360Html(const TLinkPage& page) {
  std::string body;
  if (page.engineLinks)
    body +=
        "<div id=\"header\"><a href=\"http://www.so.com/\" id=\"logo\">360搜索</a>"
        "<a href=\"http://hao.360.cn/\">360导航</a></div>\n";
  body += "<div id=\"main\"><ul class=\"result\">\n";
  for (std::size_t i = 0; i < page.results.size(); ++i) {
    const TLinkResult& r = page.results[i];
    std::string n = std::to_string(i + 1);
    if (r.ad) {
      body += "<li class=\"res-list\" data-ad=\"1\"><h3>" + LinkAnchor(So360AdClick(r.site), r) +
              "</h3></li>\n";
    } else {
      body += "<li class=\"res-list\"><h3 class=\"res-title\">" + LinkAnchor(r.site, r) + "</h3>";
      if (page.engineLinks)
        body += "<p class=\"res-linkinfo\"><a href=\"http://www.so.com/link?m=" + n +
                "\" class=\"m\">快照</a></p>";
      body += "</li>\n";
    }
  }
  body += "</ul></div>\n";
  if (page.engineLinks)
    body +=
        "<div id=\"page\"><a id=\"snext\" href=\"http://www.so.com/s?q=x&pn=2\">下一页</a>"
        "</div>\n";
  body += "</body></html>\n";
  return Padded(body, 0, "360搜索");
}

TEngineSites::TEngineSites(TSimulatedWeb& web) : web_(web) {
  web_.AddHost(BaiduSearchHost, [this](const TRequest& r) {
    if (r.path == "/s")
      return Answer(TSearchEngine::Baidu, r);
    if (r.path == "/baidu.php" || r.path == "/link")
      return TPage::Redirect(TargetOf(r));
    return TPage::Error(404, "<html>Not Found</html>");
  });
  web_.AddHost(SogouSearchHost, [this](const TRequest& r) {
    if (r.path == "/web")
      return Answer(TSearchEngine::Sogou, r);
    if (r.path == "/bill_cpc")
      return TPage::Redirect(TargetOf(r));
    return TPage::Error(404, "<html>Not Found</html>");
  });
  web_.AddHost(Search360Host, [this](const TRequest& r) {
    if (r.path == "/s")
      return Answer(TSearchEngine::So360, r);
    return TPage::Error(404, "<html>Not Found</html>");
  });
  web_.AddHost(Ad360Host, [](const TRequest& r) {
    if (r.path == "/search/eclk")
      return TPage::Redirect(TargetOf(r));
    return TPage::Error(404, "<html>Not Found</html>");
  });
}

TEngineSites::~TEngineSites() {
  // The handlers point at this object; the server may outlive it.
  web_.RemoveHost(BaiduSearchHost);
  web_.RemoveHost(SogouSearchHost);
  web_.RemoveHost(Search360Host);
  web_.RemoveHost(Ad360Host);
}

void TEngineSites::SetPage(TSearchEngine engine, int index, TPage page) {
  std::lock_guard lock(mutex_);
  pages_[{Slot(engine), index}] = std::move(page);
}

void TEngineSites::SetHtml(TSearchEngine engine, int index, const std::string& html) {
  TPage page;
  page.body = html;
  page.charset = "utf-8";
  SetPage(engine, index, std::move(page));
}

void TEngineSites::SetGenerator(TSearchEngine engine, std::function<TPage(int)> generator) {
  std::lock_guard lock(mutex_);
  if (generator)
    generators_[Slot(engine)] = std::move(generator);
  else
    generators_.erase(Slot(engine));
}

void TEngineSites::SetClock(std::function<std::int64_t()> clock) {
  std::lock_guard lock(mutex_);
  clock_ = std::move(clock);
}

void TEngineSites::SetOnRequest(std::function<void(const TEntry&)> observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

std::vector<TEngineSites::TEntry> TEngineSites::Log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

std::vector<TEngineSites::TEntry> TEngineSites::Log(TSearchEngine engine) const {
  std::vector<TEntry> out;
  for (TEntry& e : Log()) {
    if (e.engine == engine)
      out.push_back(std::move(e));
  }
  return out;
}

std::vector<std::string> TEngineSites::Targets(TSearchEngine engine) const {
  std::vector<std::string> out;
  for (const TEntry& e : Log(engine))
    out.push_back(e.target);
  return out;
}

TPage TEngineSites::Answer(TSearchEngine engine, const TRequest& request) {
  int index = 0;
  switch (engine) {
    case TSearchEngine::Baidu:
      index = Number(QueryValue(request.query, "pn"), 0) / 10;
      break;
    case TSearchEngine::Sogou:
      index = Number(QueryValue(request.query, "page"), 1) - 1;
      break;
    case TSearchEngine::So360:
      index = Number(QueryValue(request.query, "pn"), 1) - 1;
      break;
  }
  TEntry entry{engine, index, request.target, request.Header("Cookie"), 0};
  std::function<void(const TEntry&)> observer;
  std::function<TPage(int)> generator;
  TPage page;
  bool scripted = false;
  {
    std::lock_guard lock(mutex_);
    if (clock_)
      entry.stamp = clock_();
    log_.push_back(entry);
    observer = observer_;
    if (auto g = generators_.find(Slot(engine)); g != generators_.end()) {
      generator = g->second;
    } else if (auto p = pages_.find({Slot(engine), index}); p != pages_.end()) {
      page = p->second;
      scripted = true;
    }
  }
  if (observer)
    observer(entry);
  if (generator) {
    page = generator(index);
  } else if (!scripted) {
    page.charset = "utf-8";
    switch (engine) {
      case TSearchEngine::Baidu:
        page.body = BaiduHtml({});
        break;
      case TSearchEngine::Sogou:
        page.body = SogouHtml({});
        break;
      case TSearchEngine::So360:
        page.body = So360Html({});
        break;
    }
  }
  const std::string name = kEngineCookie[Slot(engine)];
  if (request.Header("Cookie").find(name + "=") == std::string::npos) {
    std::lock_guard lock(mutex_);
    page.SetCookie(name + "=SIM" + std::to_string(++cookies_) + "; path=/");
  }
  return page;
}

}  // namespace vlmr::test
