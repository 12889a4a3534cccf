// The crawler's extraction of one company page without network: titles and the company name,
// landlines, mobiles, e-mail, QQ and the address, on a generated 200 KB contact page (GBK,
// CR LF line ends, as the crawler holds it). Goal: at most 5 ms per page.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Text.h"
#include "engine/ContactExtract.h"
#include "engine/PageText.h"
#include "engine/RegExp.h"

namespace vlmr {
namespace {

constexpr std::size_t kPageBytes = 200 * 1024;

// Lines of a 200 KB contact page as sites write them: navigation, product lists, scripts and
// styles full of digit runs that are no phone numbers (dates, ids, sizes, prices, order
// numbers), and one contact block. `denseContacts` puts a contact line in every few lines
// instead (hundreds of distinct numbers: the worst case for the record's unique lists). The
// lines are GBK, as a GBK site sends them, or UTF-8 when `utf8`.
std::vector<std::string> ContactPageLines(bool denseContacts, bool utf8 = false) {
  std::vector<std::string> lines = {
      "<!DOCTYPE html>",
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">",
      "<title>联系我们_广州华强电子有限公司-专业电子元件供应商</title>",
      "<style>.nav{width:960px;height:36px}.p img{width:220px;height:165px}</style>",
      "</head><body>",
      "<div class=\"nav\"><a href=\"/\">首页</a> <a href=\"/about.html\">关于我们</a> "
      "<a href=\"/lianxi.html\">联系我们</a></div>",
  };
  const std::vector<std::string> contact = {
      "<table class=\"lx\"><tr><td class=\"l\">电话：</td><td>020-87654321 020-87654322</td></tr>",
      "<tr><td class=\"l\">手机：</td><td>13812345678 / 13912345678</td></tr>",
      "<tr><td class=\"l\">邮箱：</td><td><a href=\"mailto:sales@hq-dz.com.cn\">sales@hq-dz.com.cn"
      "</a> Service@HQ-DZ.com.cn</td></tr>",
      "<tr><td><a target=\"_blank\" href=\"http://wpa.qq.com/msgrd?v=3&uin=800012345&site=qq\">"
      "QQ交谈</a> <a href=\"http://wpa.qq.com/msgrd?v=3&uin=12345678&site=qq\">售后</a></td></tr>",
      "<tr><td><span>地址：</span>广州市天河区天河路1号华强大厦 "
      "网址：www.hq-dz.com.cn</td></tr></table>",
  };
  std::size_t size = 0;
  for (int i = 0; size < kPageBytes * 3 / 2; ++i) {
    std::string n = std::to_string(i);
    std::string line;
    if (denseContacts && i % 3 == 0) {
      std::string four = std::string(4 - std::min<std::size_t>(4, n.size()), '0') + n.substr(0, 4);
      line = "<p>电话：020-8765" + four + " 手机：1381234" + four + " 邮箱：s" + n +
             "@hq-dz.com.cn <a href=\"http://wpa.qq.com/msgrd?v=3&uin=8000" + n +
             "&site=qq\">QQ</a></p>";
    } else {
      switch (i % 5) {
        case 0:
          line = "<li class=\"p\"><a href=\"/cp/" + n + ".html\"><img src=\"/up/201405" + n +
                 ".jpg\" alt=\"贴片电容\"></a><p>贴片电容 0805 104K 50V 价格：0.02元</p></li>";
          break;
        case 1:
          line =
              "<p>本公司专业生产各类电子元器件，产品远销海内外，质量可靠，价格优惠。订单号2014052" +
              n + "88</p>";
          break;
        case 2:
          line = "<script>var _t=1400567890" + n +
                 ";document.write('<img src=\"/c.gif?t='+_t+'\">');</script>";
          break;
        case 3:
          line = "<div class=\"news\"><span>2014-05-20</span><a href=\"/news/" + n +
                 ".html\">热烈祝贺我公司通过ISO9001:2008质量体系认证</a></div>";
          break;
        default:
          line = "<p>库存 " + n + "000 个，最小包装 3000 个，交期 3-5 天。</p>";
          break;
      }
    }
    size += line.size();
    lines.push_back(std::move(line));
  }
  // The crawler fetches the page as lines of the site's bytes.
  auto encode = [utf8](const std::string& line) { return utf8 ? line : Utf8ToGbk(line); };
  for (auto& line : lines) {
    line = encode(line);
  }
  // Trim to the target size, leaving room for the contact block and the end.
  std::size_t room = 256;
  for (const auto& line : contact) {
    room += encode(line).size() + 2;
  }
  std::size_t total = 0;
  std::size_t keep = 0;
  while (keep < lines.size() && total + lines[keep].size() + 2 + room < kPageBytes) {
    total += lines[keep].size() + 2;
    ++keep;
  }
  lines.resize(keep);
  // The contact block sits near the end, before the footer.
  for (const auto& line : contact) {
    lines.push_back(encode(line));
  }
  lines.push_back(
      encode("<div class=\"foot\">版权所有 2014 粤ICP备12345678号</div></body></html>"));
  return lines;
}

void BM_ExtractPage(benchmark::State& state) {
  const std::string text = PageTextOfLines(ContactPageLines(state.range(0) != 0), false);
  // Two pages that differ in their last byte, taken in turn: the pattern service keeps the last
  // page's conversion, and a crawler meets every page once.
  const std::string pages[2] = {text, text + " "};
  TRegExp re;
  TComPanyInfo record;
  std::size_t turn = 0;
  for (auto _ : state) {
    record.Clear();
    record.qqs.Clear();
    benchmark::DoNotOptimize(
        ExtractPage(re, TNameStep::FindCompanyName, pages[turn++ & 1], record));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["tels"] = static_cast<double>(record.tels.size());
  state.counters["mobiles"] = static_cast<double>(record.mobiles.size());
  state.counters["emails"] = static_cast<double>(record.emails.size());
  state.counters["qqs"] = static_cast<double>(record.qqs.size());
  state.counters["page_kb"] = static_cast<double>(text.size()) / 1024.0;
}
BENCHMARK(BM_ExtractPage)->ArgName("dense")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same with the page text made from the fetched lines first (join, UTF-8 check, GBK): a
// UTF-8 page is decoded in full; on a GBK page the UTF-8 check stops at the first byte that
// cannot be UTF-8 and the bytes are kept.
void BM_DecodeAndExtractPage(benchmark::State& state) {
  const bool utf8 = state.range(0) != 0;
  const std::vector<std::string> lines = ContactPageLines(false, utf8);
  TRegExp re;
  TComPanyInfo record;
  std::size_t turn = 0;
  for (auto _ : state) {
    record.Clear();
    record.qqs.Clear();
    std::string text = PageTextOfLines(lines, false);
    if (turn++ & 1)
      text += " ";  // a different page each turn, as a crawler meets them
    benchmark::DoNotOptimize(ExtractPage(re, TNameStep::FindCompanyName, text, record));
  }
  state.counters["mobiles"] = static_cast<double>(record.mobiles.size());
  state.counters["page_kb"] = static_cast<double>(JoinLines(lines).size()) / 1024.0;
}
BENCHMARK(BM_DecodeAndExtractPage)->ArgName("utf8")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vlmr

BENCHMARK_MAIN();
