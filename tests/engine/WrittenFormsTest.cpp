// Company pages as sites write them today: the character set a page declares, the copy of a
// page its reader sees, numbers and e-mail addresses in their written forms, chat links, the
// credits of the firm that built the site, contact links by any sign and the redirects of a
// page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "engine/ChatLinks.h"
#include "engine/ContactExtract.h"
#include "engine/ContactLinks.h"
#include "engine/EmailForms.h"
#include "engine/PageCharset.h"
#include "engine/PageRedirect.h"
#include "engine/ReadableText.h"
#include "engine/RegExp.h"
#include "engine/SiteCredits.h"
#include "support/SimulatedWeb.h"

namespace vlmr {
namespace {

using Strings = std::vector<std::string>;

std::string G(std::string_view utf8) {
  return Utf8ToGbk(utf8);
}

Strings Utf8Of(const TUniqueStringList& list) {
  Strings out;
  for (const auto& item : list) {
    out.push_back(GbkToUtf8(item));
  }
  return out;
}

std::string Encoded(std::string_view utf8, const char* charset) {
  return test::EncodeTextIn(utf8, charset);
}

TEST(DecodePage, TheMarkThenTheHeaderThenTheMetaTagThenTheGuess) {
  const std::string name = "<title>臺灣聯絡電子有限公司</title>";
  const std::string gbkName = G(name);
  const std::string metaUtf8 = "<meta charset=\"utf-8\">";
  const std::string metaGbk =
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">";
  const std::string metaBig5 = "<META HTTP-EQUIV=Content-Type CONTENT='text/html; charset=BIG5'>";
  struct TCase {
    const char* what;
    std::string body;
    std::string contentType;
  };
  const TCase cases[] = {
      {"UTF-8 mark", "\xEF\xBB\xBF" + name, "text/html; charset=gbk"},
      {"UTF-16LE mark", "\xFF\xFE" + Encoded(name, "UTF-16LE"), "text/html; charset=gbk"},
      {"UTF-16BE mark", "\xFE\xFF" + Encoded(name, "UTF-16BE"), ""},
      {"header Big5", Encoded(name, "BIG5"), "text/html; charset=big5"},
      {"header quoted", Encoded(name, "BIG5"), "text/html;charset=\"Big5\""},
      {"header before the meta tag", Encoded(name, "BIG5") + metaUtf8, "text/html; charset=big5"},
      {"header GBK", gbkName, "text/html; charset=GB2312"},
      {"meta Big5", metaBig5 + Encoded(name, "BIG5"), "text/html"},
      {"meta UTF-8", metaUtf8 + name, ""},
      {"meta GBK", metaGbk + gbkName, "text/html; charset=iso-8859-1"},
      {"guess UTF-8", name, ""},
      {"guess GBK", gbkName, "text/html"},
      // A declared UTF-8 page whose bytes are not UTF-8 is read by the guess.
      {"declared UTF-8, GBK bytes", gbkName, "text/html; charset=utf-8"},
  };
  for (const TCase& c : cases) {
    const std::string text = DecodePage(c.body, c.contentType, false);
    EXPECT_NE(text.find(gbkName), std::string::npos) << c.what << ": " << GbkToUtf8(text);
  }
  // A meta tag after the first 8 KB is not read; line breaks become CR LF, and the trim.
  EXPECT_EQ(DecodePage(std::string(9000, ' ') + metaBig5 + Encoded("甲", "BIG5"), "", true),
            metaBig5 + Encoded("甲", "BIG5"));
  EXPECT_EQ(DecodePage("a\nb\rc\r\n", "text/html; charset=utf-8", false), "a\r\nb\r\nc");
  EXPECT_EQ(DecodePage("", "", true), "");
}

TEST(DecodePage, CharsetNamesAsPagesWriteThem) {
  const std::pair<const char*, TPageCharset> cases[] = {
      {"UTF-8", TPageCharset::Utf8},         {"utf8", TPageCharset::Utf8},
      {"gb2312", TPageCharset::Gbk},         {"GB18030", TPageCharset::Gbk},
      {"x-gbk", TPageCharset::Gbk},          {"big5-hkscs", TPageCharset::Big5},
      {"iso-8859-1", TPageCharset::Unknown}, {"", TPageCharset::Unknown},
  };
  for (const auto& [name, set] : cases) {
    EXPECT_EQ(CharsetOfName(name), set) << name;
  }
  EXPECT_EQ(CharsetParameter("text/html; Charset = 'gbk'"), "gbk");
  EXPECT_EQ(CharsetParameter("text/html"), "");
  EXPECT_EQ(CharsetParameter("charset"), "");
}

TEST(ReadableText, MarkupEntitiesAndFullWidthFormsAsTheReaderSeesThem) {
  const std::pair<const char*, const char*> cases[] = {
      {"<span>138</span><span>1234</span>5678", "13812345678"},
      {"<b>020</b>-8765<i>4321</i>", "020-87654321"},
      {"138&nbsp;1234&nbsp;5678", "138 1234 5678"},
      {"138&#160;1234&#x20;5678", "138 1234 5678"},
      {"电话：０２０－８７６５４３２１", "电话:020-87654321"},
      {"１３８　１２３４　５６７８", "138 1234 5678"},
      {"sales&#64;hq.com &amp; a&lt;b", "sales@hq.com & a<b"},
      // Block tags keep cells apart; scripts, styles and comments go.
      {"<td>020-87654321</td><td>13812345678</td>", "020-87654321\n13812345678"},
      {"a<script>var t=13812345678;</script>b<style>.x{}</style>c<!-- 13912345678 -->d",
       "a\nb\ncd"},
      {"a\r\n  b\t c", "a b c"},
      // Not entities, not tags: kept as written.
      {"&copy 1 < 2 &#;", "&copy 1 < 2 &#;"},
  };
  for (const auto& [page, text] : cases) {
    EXPECT_EQ(GbkToUtf8(ReadableText(G(page))), std::string(text) + "\n") << page;
  }
}

TEST(ReadableText, ValuesForProgramsFollowTheCopy) {
  const std::string page =
      G("<a href=\"tel:+86-769-8561-6631\">致电</a><a href='TEL:138%201234%205678'>x</a>"
        "<a href=\"mailto:sales@hq.com?subject=hi\">写信</a>"
        "<script type=\"application/ld+json\">{\"@type\":\"Organization\","
        "\"telephone\" : \"0769-85616632\", \"email\": [\"mailto:a@hq.com\", \"b@hq.com\"]}"
        "</script>"
        "<meta name=\"format-detection\" content=\"telephone=no\">"
        "<meta property=\"business:contact_data:phone_number\" content=\"020-87654321\">"
        "<meta name=\"keywords\" content=\"13900000000\">");
  EXPECT_EQ(GbkToUtf8(ContactValues(page)),
            "\n+86-769-8561-6631\n138 1234 "
            "5678\nsales@hq.com\na@hq.com\n0769-85616632\na@hq.com\nb@hq.com"
            "\n020-87654321\n");
}

// One page of each written form through the whole extraction.
TEST(ExtractContacts, NumbersAndAddressesAsSitesWriteThem) {
  struct TCase {
    const char* page;
    Strings tels, mobiles, emails;
  };
  const TCase cases[] = {
      // Full-width forms.
      {"手机：１３８ １２３４ ５６７８ 电话：０２０－８７６５４３２１",
       {"020-87654321"},
       {"13812345678"},
       {}},
      // Numbers broken up by markup and entities.
      {"手机：<span>138</span><span>1234</span>5678", {}, {"13812345678"}, {}},
      {"电话：<b>020</b>-8765<i>4321</i> 手机：138&nbsp;1234&nbsp;5678",
       {"020-87654321"},
       {"13812345678"},
       {}},
      // Links and data for programs.
      {"<a href=\"tel:13812345678\">拨打</a><a href=\"tel:+86-20-8765-4321\">总机</a>",
       {"020-87654321"},
       {"13812345678"},
       {}},
      {"<script type=\"application/ld+json\">{\"telephone\": \"+86-769-8561-6631\", "
       "\"email\": \"info@dg-mj.com\"}</script>",
       {"0769-85616631"},
       {},
       {"info@dg-mj.com"}},
      {"<meta name=\"mobile\" content=\"139-2345-6789\">", {}, {"13923456789"}, {}},
      // Country-code forms keep the trunk 0; a mobile is never a landline too.
      {"电话：86-769-85576627", {"0769-85576627"}, {}, {}},
      {"Tel: +86-769-85576627 Mob: +86-138-1234-5678", {"0769-85576627"}, {"13812345678"}, {}},
      {"Tel: +86 20 8765 4321", {"020-87654321"}, {}, {}},
      {"热线：+86 400 123 4567", {"400-1234567"}, {}, {}},
      {"热线：+86-400-123-4567", {"400-123-4567"}, {}, {}},
      {"手机：+86-13812345678", {}, {"13812345678"}, {}},
      {"手机：138-1234-5678", {}, {"13812345678"}, {}},
      // An extension stays with its number and makes no second one.
      {"电话：020-87654321转801", {"020-87654321转801"}, {}, {}},
      {"电话：0769-85576627-8012 手机：13812345678", {"0769-85576627转8012"}, {"13812345678"}, {}},
      {"Tel: (020) 8765 4321 ext. 12", {"020-87654321转12"}, {}, {}},
      // E-mail written against harvesting.
      {"手机：13812345678 邮箱：sales[at]hq-dz.com.cn",
       {},
       {"13812345678"},
       {"sales@hq-dz.com.cn"}},
      {"手机：13812345678 邮箱：sales (at) hq-dz (dot) com",
       {},
       {"13812345678"},
       {"sales@hq-dz.com"}},
      {"手机：13812345678 sales AT hq-dz DOT com", {}, {"13812345678"}, {"sales@hq-dz.com"}},
      {"手机：13812345678 邮箱：sales#hq-dz.com（请把#换成@）",
       {},
       {"13812345678"},
       {"sales@hq-dz.com"}},
      // ... but not without the hint, nor a result that is no address.
      {"手机：13812345678 颜色#hq-dz.com meet us at the fair 邮箱：sales[at]hq",
       {},
       {"13812345678"},
       {}},
  };
  TRegExp re;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    TComPanyInfo record;
    EXPECT_EQ(ExtractContacts(re, G(c.page), record), !c.tels.empty() || !c.mobiles.empty());
    EXPECT_EQ(Utf8Of(record.tels), c.tels);
    EXPECT_EQ(Utf8Of(record.mobiles), c.mobiles);
    EXPECT_EQ(Utf8Of(record.emails), c.emails);
  }
}

TEST(WrittenEmails, OnlyValidAddressesComeOut) {
  const std::pair<const char*, Strings> cases[] = {
      {"a.b+c@x-y.com.cn", {"a.b+c@x-y.com.cn"}},
      {"info{at}hq.cn, info [ AT ] hq [DOT] cn", {"info@hq.cn", "info@hq.cn"}},
      {"x@y x@-y.com x@y.c x@y.c0m .x@y.com", {}},
      {"甲sales@hq.com乙", {"sales@hq.com"}},
      {"a at b dot c", {}},
      {"", {}},
  };
  for (const auto& [text, emails] : cases) {
    EXPECT_EQ(WrittenEmails(G(text)), emails) << text;
  }
}

TEST(QqNumbersOfChatLinks, EveryOrderOfParameters) {
  const std::pair<const char*, Strings> cases[] = {
      {"<a href=\"tencent://message/?uin=800012345&Site=hq&Menu=yes\">", {"800012345"}},
      {"<a href=\"tencent://message/?Menu=yes&amp;uin=12345678\">", {"12345678"}},
      {"<a href='http://wpa.qq.com/msgrd?v=3&site=qq&menu=yes&uin=2345678'>", {"2345678"}},
      {"<a href=\"mqqwpa://im/chat?chat_type=wpa&uin=55555&version=1\">", {"55555"}},
      {"<img src=\"http://wpa.qq.com/pa?p=2:66666666:41\">", {"66666666"}},
      // Not a chat link, or not a number of QQ's length.
      {"<a href=\"/news.asp?uin=12345678\">", {}},
      {"<a href=\"tencent://message/?uin=1234\">", {}},
  };
  for (const auto& [page, qqs] : cases) {
    EXPECT_EQ(QqNumbersOfChatLinks(G(page)), qqs) << page;
  }
  TRegExp re;
  TComPanyInfo record;
  ASSERT_TRUE(ExtractContacts(
      re, G("手机：13812345678 <a href=\"tencent://message/?uin=800012345\">QQ</a>"), record));
  EXPECT_EQ(Utf8Of(record.qqs), Strings{"800012345"});
}

// The credits of the firm that built the site: its numbers are left out, the company's stay.
TEST(SiteCredits, TheBuildersNumbersAreNotTheCompanys) {
  struct TCase {
    const char* page;
    Strings tels, mobiles;
  };
  const TCase cases[] = {
      {"<p>电话：020-87654321 手机：13812345678</p><p>技术支持：百度网络 13987654321</p>",
       {"020-87654321"},
       {"13812345678"}},
      {"<p>手机：13812345678</p><p>网站建设：<a href=\"http://www.jz.cn\">建站网</a> "
       "电话：0755-83216688</p>",
       {},
       {"13812345678"}},
      {"<p>手机：13812345678</p>Powered by <a href=x>SiteCo</a> Tel 13987654321",
       {},
       {"13812345678"}},
      // In a footer block the credit runs to the block's end, across line breaks.
      {"<div class=\"footer\">版权所有 华强电子 手机：13812345678<br>设计制作：某某网络<br>"
       "<div>咨询：13987654321</div></div><p>传真：020-87654322</p>",
       {"020-87654322"},
       {"13812345678"}},
      // A menu entry named like a credit is none.
      {"<a href=\"/support\">技术支持</a> 手机：13812345678", {}, {"13812345678"}},
      // A company whose only mobile is the builder's is not reported.
      {"<p>电话：020-87654321</p><p>技术支持：某某网络 13987654321</p>", {"020-87654321"}, {}},
      {"<div id=\"copyright\">网站建设 13987654321</div>", {}, {}},
  };
  TRegExp re;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    TComPanyInfo record;
    ExtractContacts(re, G(c.page), record);
    EXPECT_EQ(Utf8Of(record.tels), c.tels);
    EXPECT_EQ(Utf8Of(record.mobiles), c.mobiles);
  }
  EXPECT_FALSE(HasSiteCredits(G("<p>电话：020-87654321</p>")));
  const std::string page = G("a 技术支持：b<p>c");
  EXPECT_EQ(WithoutSiteCredits(page).size(), page.size());
}

TEST(DirectoryEntryName, AnotherCompanyThanTheSitesOnAPageBelowItsRoot) {
  struct TCase {
    const char* filed;
    const char* url;
    const char* title;
    const char* name;
  };
  const TCase cases[] = {
      {"黄页信息技术有限公司", "http://www.hy.com/company/1.html",
       "东莞市明佳五金制品有限公司_企业黄页", "东莞市明佳五金制品有限公司"},
      {"黄页信息技术有限公司", "http://www.hy.com/c/1?id=2", "明佳五金有限公司-黄页",
       "明佳五金有限公司"},
      // The company's own site: the same company, however its names are written.
      {"广州华强电子有限公司", "http://www.hq.com/cp/1.html", "华强电子有限公司-产品", ""},
      {"华强电子股份有限公司", "http://www.hq.com/cp/1.html", "广州华强电子有限公司", ""},
      // Not below the root, no filing, no company in the titles.
      {"黄页信息技术有限公司", "http://www.hy.com/", "明佳五金有限公司", ""},
      {"黄页信息技术有限公司", "http://www.hy.com/index.html", "明佳五金有限公司", ""},
      {"", "http://www.hy.com/company/1.html", "明佳五金有限公司", ""},
      {"黄页信息技术有限公司", "http://www.hy.com/news/1.html", "五金行业新闻", ""},
  };
  for (const TCase& c : cases) {
    const std::vector<std::string> titles = {G(std::string("<title>") + c.title + "</title>")};
    EXPECT_EQ(GbkToUtf8(DirectoryEntryName(G(c.filed), c.url, titles)), c.name) << c.title;
  }
}

TEST(FindContactLinkBySign, TextTitleImageOrAddress) {
  const std::pair<const char*, const char*> cases[] = {
      {"<a href=\"/a\">首页</a><a href=\"/lx\"><span>联系我们</span></a>",
       "<a href=\"/lx\"><span>联系我们</span></a>"},
      {"<a href=/c><i class=\"icon\"></i><font color=red>联系方式</font></a>",
       "<a href=/c><i class=\"icon\"></i><font color=red>联系方式</font></a>"},
      {"<a href=/c>&nbsp;联络我们 </a>", "<a href=/c>&nbsp;联络我们 </a>"},
      {"<a href=/c>聯絡我們</a>", "<a href=/c>聯絡我們</a>"},
      {"<a href=/en/c.html>CONTACT US</a>", "<a href=/en/c.html>CONTACT US</a>"},
      {"<a href=/c title=\"联系我们\"><img src=/i.gif></a>",
       "<a href=/c title=\"联系我们\"><img src=/i.gif></a>"},
      {"<a href=/c><img src=/i.gif alt='Contact'></a>",
       "<a href=/c><img src=/i.gif alt='Contact'></a>"},
      // By address only when nothing says so in words.
      {"<a href=\"/Contact.html\">Reach</a><a href=/x>Contact</a>", "<a href=/x>Contact</a>"},
      {"<a href=\"/cn/lxwm/\">留言</a>", "<a href=\"/cn/lxwm/\">留言</a>"},
      {"<a href=\"/lianxi.asp?id=2\">X</a>", "<a href=\"/lianxi.asp?id=2\">X</a>"},
      // Words inside a longer text, other addresses, anchors that never close.
      {"<a href=/c>请联系我们的销售</a><a href=/contactor.html>x</a>", ""},
      {"<a href=/c>联系我们", ""},
      {"", ""},
  };
  for (const auto& [page, link] : cases) {
    EXPECT_EQ(GbkToUtf8(FindContactLinkBySign(G(page))), link) << page;
  }
}

TEST(PageRedirect, RefreshAndScriptFormsOfAPageThatSendsItsReaderOn) {
  const std::string filler = "<p>" + std::string(600, 'x') + "</p>";
  const std::pair<std::string, const char*> cases[] = {
      {"<meta http-equiv=\"refresh\" content=\"0;url=http://www.hq.com/\">", "http://www.hq.com/"},
      {"<META HTTP-EQUIV='Refresh' CONTENT=\"2; URL='/cn/index.html'\">" + filler,
       "/cn/index.html"},
      {"<meta http-equiv=refresh content=\"30;url=/later\">", ""},
      {"<script>location.href = \"/cn/\";</script>", "/cn/"},
      {"<script type=\"text/javascript\">window.location='http://b.com/';</script>",
       "http://b.com/"},
      {"<script>\r\n  location.replace( \"https://c.com/x\" )\r\n</script>", "https://c.com/x"},
      {"<script>top.location.href='/m/'</script>", "/m/"},
      // Script forms only on a page with next to nothing to read, only inside scripts, and not
      // a comparison.
      {"<script>location.href='/cn/';</script>" + filler, ""},
      {"<a onclick=\"location.href='/x'\">x</a>", ""},
      {"<script>if (location == '/x') {}</script>", ""},
      {"", ""},
  };
  for (const auto& [page, target] : cases) {
    EXPECT_EQ(PageRedirectTarget(page), target) << page;
  }
  const std::pair<const char*, const char*> addresses[] = {
      {"/cn/index.html", "http://www.hq.com/cn/index.html"},
      {"https://b.com/", "https://b.com/"},
      {"//b.com/x", "http://b.com/x"},
      {"javascript:void(0)", ""},
      {"ftp://b.com/", ""},
      {"file:///etc/passwd", ""},
      {"", ""},
  };
  for (const auto& [target, address] : addresses) {
    EXPECT_EQ(RedirectAddress("http://www.hq.com/a/b.html", target), address) << target;
  }
}

}  // namespace
}  // namespace vlmr
