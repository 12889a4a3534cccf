// FindAll throughput of every engine pattern on a generated result page and company page of
// 1 MB each (GBK, CR LF line ends, as the collectors and the crawler hold them), on JIT code and
// in the interpreter. The service converts a text to UTF-8 once and keeps it for the next call
// on the same text: BM_FindAll matches the same page again and again and so leaves the
// conversion out; BM_FindAllOnNewText meets a new page every call and pays it, as the first
// pattern run over a fetched page does; BM_PagePass runs every pattern over one new page, as
// the collectors and the crawler do together. BM_HostilePage times the pages that make a
// backtracking matcher quadratic, until the work budget stops them (counter failed=1).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "EnginePatterns.h"
#include "base/Text.h"
#include "engine/RegExp.h"
#include "engine/records/EngineSettings.h"
#include "support/HostilePages.h"

namespace vlmr {
namespace {

constexpr std::size_t kPageBytes = 1024 * 1024;

// Cycles the generated blocks into a page of kPageBytes (GBK), `tail` at its end.
template <typename Block>
std::string Fill(const std::string& head, const std::string& tail, Block block) {
  std::string utf8 = head;
  // GBK takes two bytes where UTF-8 takes three: make enough for a page of any mix.
  for (int i = 0; utf8.size() < kPageBytes * 3 / 2 + 4096; ++i) {
    utf8 += block(i);
  }
  std::string end = Utf8ToGbk(tail);
  std::string gbk = Utf8ToGbk(utf8);
  // Cut to size on a character boundary.
  std::size_t cut = 0;
  while (cut < gbk.size() && cut + end.size() < kPageBytes) {
    cut += GbkCharLength(gbk, cut);
  }
  gbk.resize(cut);
  return gbk + end;
}

std::string ResultPage() {
  std::string head =
      "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\"><title>广州 电子公司_百度搜索</title>"
      "</head>\r\n<body>\r\n<div id=\"content_left\">\r\n";
  std::string tail =
      "</div>\r\n<div id=\"page\"><a href=\"/s?wd=x&pn=10\">下一页</a></div>\r\n"
      "</body></html>\r\n";
  return Fill(head, tail, [](int i) {
    std::string n = std::to_string(i);
    switch (i % 5) {
      case 0:
        return "<div id=\"300" + n + "\" class=\"ec_wise\" data-click=\"{'rsv_cd':'" + n +
               "'}\" data-renzheng=\"{title:'广州市某某电子科技有限公司" + n +
               "'}\">\r\n<h3><a href=\"http://www." + std::string(BaiduDomain) +
               "/baidu.php?url=a7K" + n +
               "\" target=\"_blank\">广州电子元件<em>批发</em>\r\n厂家直销</a></h3>\r\n"
               "<div class=\"c-abstract\">专业生产各类电子元器件，质量可靠，价格优惠。</div>\r\n"
               "<span class=\"ec-tuiguang\">推广</span>\r\n</div>\r\n";
      case 1:
        return "<div class=\"result c-container\" id=\"" + n +
               "\" srcid=\"1599\" tpl=\"se_com_default\">\r\n<h3 class=\"t\"><a "
               "href=\"http://www.baidu.com/link?url=Zx" +
               n +
               "\" target=\"_blank\">深圳市华强电子有限公司 - 官方网站</a></h3>\r\n"
               "<div class=\"c-abstract\">华强电子成立于1998年，主营集成电路、电阻电容。"
               "电话：0755-8321" +
               n.substr(0, 1) +
               "456</div>\r\n"
               "<a href=\"http://cache.baiducontent.com/c?m=9f" +
               n + "\" class=\"m\">百度快照</a>\r\n</div>\r\n";
      case 2:
        return "<div class=\"rb\"><h3><a href=\"http://" + std::string(SogouSearchHost) +
               "/bill_cpc?v=1&k=" + n +
               "\" id=\"sogou_ad\">东莞电子厂\r\n诚招代理</a></h3>\r\n"
               "<p>东莞市长安镇电子工业园</p></div>\r\n";
      case 3:
        return "<li class=\"res-list\"><h3><a href=\"http://" + std::string(Ad360Host) +
               "/search/eclk?p=" + n +
               "&q=x\" data-res=\"1\">佛山电子有限公司</a></h3>\r\n"
               "<p class=\"res-desc\">佛山市南海区 电子产品 一站式采购</p></li>\r\n";
      default:
        return "<p><a href=\"http://www.company" + n + ".com.cn/\" target=\"_blank\">公司主页 " +
               n + "</a> <span class=\"g\">www.company" + n + ".com.cn</span></p>\r\n";
    }
  });
}

std::string CompanyPage() {
  std::string head =
      "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"gb2312\">\r\n"
      "<title>深圳市华强电子有限公司-集成电路,电子元器件</title>\r\n</head>\r\n<body>\r\n"
      "<div class=\"nav\"><a href=\"/\">首页</a> <a href=\"/about.html\">关于我们</a> "
      "<a href=\"/contact.html\">联系我们</a></div>\r\n";
  std::string tail =
      "<div class=\"foot\">地址：深圳市福田区华强北路1002号 网址：http://www.hq-dz.com</div>\r\n"
      "</body>\r\n</html>\r\n";
  return Fill(head, tail, [](int i) {
    std::string n = std::to_string(i);
    switch (i % 4) {
      case 0:
        return "<div class=\"pro\"><h2>产品中心</h2>\r\n<p>本公司主营各类集成电路、二三极管、"
               "电阻电容、连接器等电子元器件，型号齐全，欢迎来电咨询。</p>\r\n"
               "<img src=\"/images/p" +
               n + ".jpg\" alt=\"产品图片\"></div>\r\n";
      case 1:
        return "<table class=\"info\">\r\n<tr><td>联系人</td><td>王经理</td></tr>\r\n"
               "<tr><td>电话</td><td>0755-8321" +
               std::to_string(1000 + i % 9000) + "</td></tr>\r\n<tr><td>手机</td><td>1381234" +
               std::to_string(1000 + i % 9000) + "</td></tr>\r\n<tr><td>邮箱</td><td>Sales" + n +
               "@hq-dz.com.cn</td></tr>\r\n</table>\r\n";
      case 2:
        return "<p>在线客服：<a target=\"_blank\" href=\"http://wpa.qq.com/msgrd?v=3&uin=" +
               std::to_string(800000000 + i) +
               "&site=qq&menu=yes\"><img src=\"qq.gif\" alt=\"QQ交谈\"></a> 订单编号 "
               "20230" +
               n + "</p>\r\n";
      default:
        return "<div class=\"news\"><a href=\"/news/" + n +
               ".html\">公司新闻：华强电子参加2023年电子展</a>\r\n<span>2023-05-" +
               std::to_string(10 + i % 20) + "</span></div>\r\n";
    }
  });
}

const std::string& Page(int which) {
  static const std::string result = ResultPage();
  static const std::string company = CompanyPage();
  return which == 0 ? result : company;
}

// The page and a copy that differs in its last byte: taken in turn, each call meets a text the
// service has not converted yet.
const std::string& OtherPage(int which) {
  static const std::string result = Page(0).substr(0, Page(0).size() - 1) + " ";
  static const std::string company = Page(1).substr(0, Page(1).size() - 1) + " ";
  return which == 0 ? result : company;
}

TRegExpLimits Limits(bool jit) {
  TRegExpLimits limits;
  limits.useJit = jit;
  return limits;
}

void BM_FindAll(benchmark::State& state, std::string pattern, int page, bool jit) {
  const std::string& text = Page(page);
  TRegExp re(Limits(jit));
  std::size_t found = 0;
  for (auto _ : state) {
    auto matches = re.FindAll(text, pattern);
    found = matches.size();
    benchmark::DoNotOptimize(matches);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
  state.counters["matches"] = static_cast<double>(found);
}

void BM_FindAllOnNewText(benchmark::State& state, std::string pattern, int page, bool jit) {
  const std::string* texts[] = {&Page(page), &OtherPage(page)};
  TRegExp re(Limits(jit));
  std::size_t found = 0;
  std::size_t turn = 0;
  for (auto _ : state) {
    auto matches = re.FindAll(*texts[turn++ & 1], pattern);
    found = matches.size();
    benchmark::DoNotOptimize(matches);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(texts[0]->size()));
  state.counters["matches"] = static_cast<double>(found);
}

// Every engine pattern over one new page: the conversion once, then 19 searches.
void BM_PagePass(benchmark::State& state, int page, bool jit) {
  const std::string* texts[] = {&Page(page), &OtherPage(page)};
  const auto patterns = patterns::EnginePatterns();
  TRegExp re(Limits(jit));
  std::size_t found = 0;
  std::size_t turn = 0;
  for (auto _ : state) {
    const std::string& text = *texts[turn++ & 1];
    found = 0;
    for (const auto& p : patterns) {
      found += re.FindAll(text, p.gbk).size();
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(texts[0]->size()));
  state.counters["matches"] = static_cast<double>(found);
}

// The hostile pages at the sizes a review timed them (minutes in the interpreter without a
// budget): the time until the call fails, or until it ends when it does not.
void BM_HostilePage(benchmark::State& state, test::THostilePage page, std::size_t bytes, bool jit) {
  const std::string text = page.make(bytes);
  const std::string pattern = Utf8ToGbk(page.patternUtf8);
  TRegExp re(Limits(jit));
  bool failed = false;
  for (auto _ : state) {
    try {
      benchmark::DoNotOptimize(re.FindAll(text, pattern));
      failed = false;
    } catch (const ERegExpError&) {
      failed = true;
    }
  }
  state.counters["failed"] = failed ? 1 : 0;
  state.counters["page_kb"] = static_cast<double>(text.size()) / 1024.0;
}

// An anchor that is never closed near the top of a CR LF result page: the lazy loop runs over
// the rest of the page for every start.
void BM_UnclosedAnchor(benchmark::State& state) {
  std::string text = Utf8ToGbk("<a href=\"http://www.company1.com/\">公司主页\r\n");
  for (int i = 0; text.size() < kPageBytes; ++i) {
    text += Utf8ToGbk("<p>电子元器件批发 第" + std::to_string(i) + "行</p>\r\n");
  }
  std::string pattern = R"(<a[^>]*http://[^>]*>(?:.|[\r\n])*?</a>)";
  TRegExp re;
  for (auto _ : state) {
    benchmark::DoNotOptimize(re.FindAll(text, pattern));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_UnclosedAnchor)->Unit(benchmark::kMillisecond);

// The text conversion every call pays, for comparison with the pattern figures.
void BM_TextToUtf8(benchmark::State& state) {
  const std::string& text = Page(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(GbkToUtf8(text));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_TextToUtf8)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

const bool registered = [] {
  const char* pages[] = {"result_page", "company_page"};
  for (bool jit : {true, false}) {
    for (int page = 0; page < 2; ++page) {
      std::string name = std::string("BM_PagePass/") + pages[page] + (jit ? "" : "/interpreter");
      benchmark::RegisterBenchmark(name.c_str(), BM_PagePass, page, jit)
          ->Unit(benchmark::kMillisecond);
    }
  }
  const std::size_t reviewedBytes[] = {1024 * 1024, 900 * 1024, 253 * 1024, 262 * 1024};
  for (bool jit : {true, false}) {
    for (std::size_t i = 0; i < test::HostilePages().size(); ++i) {
      const auto& page = test::HostilePages()[i];
      std::string name = std::string("BM_HostilePage/") + page.name + (jit ? "" : "/interpreter");
      benchmark::RegisterBenchmark(name.c_str(), BM_HostilePage, page, reviewedBytes[i], jit)
          ->Unit(benchmark::kMillisecond)
          ->Iterations(3);
    }
  }
  // JIT code, and the interpreter that runs when JIT is not available.
  for (bool jit : {true, false}) {
    for (const auto& p : patterns::EnginePatterns()) {
      for (int page = 0; page < 2; ++page) {
        std::string name = std::string(jit ? "BM_FindAll/" : "BM_FindAllInterpreter/") + p.name +
                           "/" + pages[page];
        benchmark::RegisterBenchmark(name.c_str(), BM_FindAll, p.gbk, page, jit)
            ->Unit(benchmark::kMillisecond);
        std::string fresh =
            std::string(jit ? "BM_FindAllOnNewText/" : "BM_FindAllOnNewTextInterpreter/") + p.name +
            "/" + pages[page];
        benchmark::RegisterBenchmark(fresh.c_str(), BM_FindAllOnNewText, p.gbk, page, jit)
            ->Unit(benchmark::kMillisecond);
      }
    }
  }
  return true;
}();

}  // namespace
}  // namespace vlmr

BENCHMARK_MAIN();
