// The crawler's pure steps: reading links, making them absolute, decoding pages, naming the
// company from its titles, cleaning the address and extracting the contacts of a page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "engine/ContactExtract.h"
#include "engine/PageText.h"
#include "engine/PhoneNumbers.h"
#include "engine/RegExp.h"
#include "engine/SiteLinks.h"
#include "support/SimulatedWeb.h"
#include "support/TestText.h"

namespace vlmr {
namespace {

using Strings = std::vector<std::string>;

using test::G;

Strings Utf8Of(const TUniqueStringList& list) {
  Strings out;
  for (const auto& item : list) {
    out.push_back(GbkToUtf8(item));
  }
  return out;
}

TEST(HrefOf, ReadsTheLinkKeepingItsLetterCase) {
  struct TCase {
    std::string anchor;  // GBK bytes
    std::string href;
  };
  const TCase cases[] = {
      {G("<a href=\"/LianXi.html\" class=\"nav\">联系我们</a>"), "/LianXi.html"},
      {G("<A HREF='/About/Contact.asp?id=3'>联系方式</A>"), "/About/Contact.asp?id=3"},
      {G("<a class=nav Href=../lx.htm title=x>联系</a>"), "../lx.htm"},
      // Unquoted: the value ends at ">" even when the link text has a blank, and at a line
      // break inside the tag.
      {G("<a href=/lx.html>联系 我们</a>"), "/lx.html"},
      {G("<a\r\nhref=/lx.html\r\nclass=nav>联系我们</a>"), "/lx.html"},
      {G("<a href=\"http://www.A.com/X\">x</a>"), "http://www.A.com/X"},
      // A closing quote that never comes keeps the rest.
      {G("<a href=\"/lx.html>联系我们</a>"), G("/lx.html>联系我们</a>")},
      {G("<a href=\"\">联系我们</a>"), ""},
      {G("<a name=\"top\">联系我们</a>"), ""},
      // "h" as the second byte of a double-byte character (81 68) does not begin "href=".
      {"<a \x81href=/x>", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HrefOf(c.anchor), c.href) << GbkToUtf8(c.anchor);
  }
}

TEST(MakeAbsolute, ResolvesAgainstTheSiteRoot) {
  struct TCase {
    const char* host;
    const char* link;
    const char* address;
  };
  const TCase cases[] = {
      {"www.hq.com", "/lianxi.html", "http://www.hq.com/lianxi.html"},
      {"www.hq.com", "../lianxi.html", "http://www.hq.com/lianxi.html"},
      {"www.hq.com", "./LianXi.HTML", "http://www.hq.com/LianXi.HTML"},
      // A bare file name counts from the root, not from the page's folder.
      {"www.hq.com", "lianxi.html", "http://www.hq.com/lianxi.html"},
      {"www.hq.com", "About/lx.asp?ID=2", "http://www.hq.com/About/lx.asp?ID=2"},
      {"www.hq.com:8080", "/lx.html", "http://www.hq.com:8080/lx.html"},
      // Nothing but dots and slashes: no contact page.
      {"www.hq.com", "/", ""},
      {"www.hq.com", "./", ""},
      {"www.hq.com", "..", ""},
      {"www.hq.com", "", ""},
      // Absolute links stand as they are, whatever the letter case of their scheme.
      {"www.hq.com", "http://other.cn/LX.html", "http://other.cn/LX.html"},
      {"www.hq.com", "HTTP://Other.cn/lx", "HTTP://Other.cn/lx"},
      {"www.hq.com", "https://www.hq.com/Contact", "https://www.hq.com/Contact"},
      {"www.hq.com", "Https://x.cn/", "Https://x.cn/"},
      {"www.hq.com", "//cdn.hq.com/Lx.html", "http://cdn.hq.com/Lx.html"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MakeAbsolute(c.host, c.link), c.address) << c.host << " + " << c.link;
  }
}

TEST(HostOfUrl, TakesTheAuthorityWithoutUserInformation) {
  const std::pair<const char*, const char*> cases[] = {
      {"http://www.a.com/x/y.html", "www.a.com"},
      {"http://www.a.com", "www.a.com"},
      {"https://a.cn:8443/?q=1", "a.cn:8443"},
      {"http://u:p@a.cn/", "a.cn"},
      {"http://a.cn?x=/y", "a.cn"},
      {"a.cn/x", "a.cn"},
      {"", ""},
  };
  for (const auto& [url, host] : cases) {
    EXPECT_EQ(HostOfUrl(url), host) << url;
  }
}

TEST(PageText, JoinsLinesAndDecodesUtf8ElseKeepsTheBytes) {
  const std::string gbkLine = G("<p>电话：020-87654321</p>");
  struct TCase {
    Strings lines;
    bool trim;
    std::string text;
  };
  const TCase cases[] = {
      {{"<p>电话</p>", "<b>x</b>"}, false, G("<p>电话</p>\r\n<b>x</b>")},
      // Not UTF-8: the bytes are the GBK text.
      {{gbkLine, "a"}, false, gbkLine + "\r\na"},
      // Neither UTF-8 nor GBK: still kept, the pattern service reads such bytes as "?".
      {{"\xFF\xFE", "b"}, false, "\xFF\xFE\r\nb"},
      {{"", "  甲 ", ""}, true, G("甲")},
      {{"", "  甲 ", ""}, false, G("\r\n  甲 \r\n")},
      // A character without a GBK form becomes "?".
      {{"a\xF0\x9F\x98\x80"}, false, "a?"},
      {{}, true, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PageTextOfLines(c.lines, c.trim), c.text);
  }
  EXPECT_EQ(PageTextOfBody("a\nb\r\nc\rd\r\n", false), "a\r\nb\r\nc\r\nd");
}

TEST(PageText, GbkSearchesFindOnlyWholeCharacters) {
  // B0 B5 D8 A1 B0 D6 B7 A1 ("暗亍爸贰"): "址" (D6 B7) straddles two of its characters.
  const std::string straddling = "\xB0\xB5\xD8\xA1\xB0\xD6\xB7\xA1";
  EXPECT_EQ(straddling.find(G("址")), 5u);
  EXPECT_EQ(FindGbk(straddling, G("址")), std::string::npos);
  EXPECT_EQ(FindGbk(straddling + G("址"), G("址")), 8u);
  // "_" (5F) as the second byte of 81 5F.
  EXPECT_EQ(RFindGbk("a_b\x81_c", "_"), 1u);
  EXPECT_EQ(RFindGbk("\x81_", "_"), std::string::npos);
  EXPECT_EQ(RFindGbk(G("甲_乙_丙"), "_"), 5u);
  EXPECT_EQ(FindGbk("abcabc", "c", 3), 5u);
}

// FindGbk against a walk over the characters, on every text of up to six bytes made of
// ASCII, lead-range bytes and the bytes of "地" (B5 D8), from every start.
TEST(PageText, GbkFindAgreesWithACharacterWalk) {
  const char alphabet[] = {'a', '_', '\x81', '\xB5', '\xD8'};
  auto walk = [](std::string_view text, std::string_view needle, std::size_t from) {
    for (std::size_t i = from; i < text.size(); i += GbkCharLength(text, i)) {
      if (text.substr(i, needle.size()) == needle) {
        return i;
      }
    }
    return std::string_view::npos;
  };
  std::string text;
  for (std::size_t length = 1; length <= 6; ++length) {
    std::size_t count = 1;
    for (std::size_t i = 0; i < length; ++i) {
      count *= std::size(alphabet);
    }
    for (std::size_t n = 0; n < count; ++n) {
      text.clear();
      for (std::size_t i = 0, k = n; i < length; ++i, k /= std::size(alphabet)) {
        text.push_back(alphabet[k % std::size(alphabet)]);
      }
      for (std::string_view needle : {std::string_view("\xB5\xD8"), std::string_view("_")}) {
        for (std::size_t from = 0; from < length; from += GbkCharLength(text, from)) {
          ASSERT_EQ(FindGbk(text, needle, from), walk(text, needle, from))
              << testing::PrintToString(text) << " from " << from;
        }
      }
    }
  }
}

// The value of the first address label, in the layouts pages use; each page as the crawler
// holds it, from a UTF-8 and from a GBK body, with CR LF and with LF line ends.
TEST(AddressOf, TakesTheFirstLabelsValueInEveryLayout) {
  const std::pair<const char*, const char*> cases[] = {
      // The rows the old cleaning also read.
      {"地址：广州市天河路1号", "广州市天河路1号"},
      {"地址:深圳市福田区", "深圳市福田区"},
      {"地址：<span>东莞市长安镇</span>", "东莞市长安镇"},
      {"地址：</span>佛山市顺德区</p>", "佛山市顺德区"},
      {"地&nbsp;址>北京市海淀区</td>", "北京市海淀区"},
      // A value ended by a tag, the commonest layouts: paragraph, table cells, spans.
      {"地址：佛山市顺德区<br>", "佛山市顺德区"},
      {"<p>地址：广州市天河区科韵路10号</p>", "广州市天河区科韵路10号"},
      {"<tr><td>地址</td><td>广州市天河区科韵路10号</td></tr>", "广州市天河区科韵路10号"},
      {"<td class=\"l\">地　址：</td>\n<td>\n  广州市黄埔区开发大道8号 </td>",
       "广州市黄埔区开发大道8号"},
      {"<span class=\"t\">公司地址</span><span>：</span><span>杭州市西湖区文三路5号</span>",
       "杭州市西湖区文三路5号"},
      {"<li><b>地 址:</b>&nbsp;&nbsp;苏州工业园区星湖街328号&nbsp;</li>",
       "苏州工业园区星湖街328号"},
      // Other labels on the same line end the value; so do separators before them.
      {"地址：天河路1号 网址：www.abc.com", "天河路1号"},
      {"地址：上海市浦东新区张江路88号，电话：021-58581234", "上海市浦东新区张江路88号"},
      {"地址：南京市鼓楼区中山路1号 | 邮编：210008", "南京市鼓楼区中山路1号"},
      {"地址：武汉市洪山区珞喻路1号 手机：13812345678 QQ：800012345", "武汉市洪山区珞喻路1号"},
      {"地址：成都市高新区天府大道100号 传真：028-85001234 邮箱：a@b.cn",
       "成都市高新区天府大道100号"},
      // A line break ends the value; the first label wins even when its value is short.
      {"地址：北京市\r\n工厂地址：廊坊市开发区", "北京市"},
      {"<p>地址：</p>\r\n<p>电话：020-87654321</p>", ""},
      // The labels that name the kind of address, "厂址" among them; the first one wins.
      {"<td>厂址：</td><td>东莞市长安镇乌沙路8号</td>", "东莞市长安镇乌沙路8号"},
      {"办公地址：广州市天河路1号 厂址：东莞市长安镇", "广州市天河路1号"},
      {"厂址：东莞市长安镇<br>联系地址：广州市天河路1号", "东莞市长安镇"},
      {"<b>联系地址</b>：深圳市南山区科技园", "深圳市南山区科技园"},
      // "地" and "址" apart, or no label at all.
      {"本地服务，欢迎来电。址：东莞", ""},
      {"地址", ""},
      {"", ""},
      {"地址：<span", ""},
  };
  for (const auto& [page, address] : cases) {
    for (test::TCharset charset : {test::TCharset::Utf8, test::TCharset::Gbk}) {
      for (bool crlf : {true, false}) {
        std::string lines = page;
        if (!crlf) {
          lines = ReplaceAll(lines, "\r\n", "\n");
        }
        const std::string text = DecodePageText(test::EncodeText(lines, charset));
        EXPECT_EQ(GbkToUtf8(AddressOf(text)), address)
            << page << " " << test::CharsetName(charset) << (crlf ? " CRLF" : " LF");
      }
    }
  }
  // The label is two whole characters: "址" inside two other characters is none.
  const std::string straddling = "\xB0\xB5\xD8\xA1\xB0\xD6\xB7\xA1";
  EXPECT_EQ(AddressOf(G("地") + straddling + G("：广州市")), "");
  // A trailing separator that is the second byte of a double-byte character stays with it; a
  // stray lead byte does not take the markup after it into the address.
  EXPECT_EQ(AddressOf(G("地址：广州市") + "\x81|"), G("广州市") + "\x81|");
  EXPECT_EQ(AddressOf(G("地址：广州市") + "\xBA<br>" + G("电话")), G("广州市") + "\xBA");
  EXPECT_EQ(AddressOf(G("地址：广州市") + "\xBA\r\n"), G("广州市") + "\xBA");
}

Strings Titles(std::initializer_list<const char*> titlesUtf8) {
  Strings out;
  for (const char* t : titlesUtf8) {
    out.push_back(G(t));
  }
  return out;
}

TEST(FindCompanyName, TakesTheLastLongCandidateEndingInCompany) {
  struct TCase {
    Strings titles;
    std::string name;  // GBK
  };
  const TCase cases[] = {
      {Titles({"<title>首页_广州华强电子有限公司-专业生产电子元件</title>"}),
       G("广州华强电子有限公司")},
      {Titles({"<title>华强电子 深圳市华强科技有限公司</title>"}), G("深圳市华强科技有限公司")},
      {Titles({"<title>产品中心-东莞市长安五金企业</title>"}), G("东莞市长安五金企业")},
      {Titles({"<title>关于|佛山美的企业集团</title>"}), G("佛山美的企业")},
      // Several candidates: the last long one wins.
      {Titles({"<title>华强有限公司_华强贸易有限公司</title>"}), G("华强贸易有限公司")},
      {Titles({"<title>华强贸易有限公司_公司</title>"}), G("华强贸易有限公司")},
      // Three characters are long enough, two are not; then the title text stays (cleaned).
      {Titles({"<title>本公司产品</title>"}), G("本公司")},
      {Titles({"<title>公司_首页</title>"}), G("公司首页")},
      // Candidates gather over every title; without any, the last non-empty title names it.
      {Titles({"<title></title>", "<title>华强电子</title>", "<title>欢迎光临</title>"}),
       G("欢迎光临")},
      {Titles({"<title>欢迎光临</title>", "<title>首页_惠州市华强电子厂有限公司</title>"}),
       G("惠州市华强电子厂有限公司")},
      // A title cleaned to nothing falls back to the first title's text, cleaned too.
      {Titles({"<title>联系我们</title>"}), ""},
      {Titles({}), ""},
      // "_" as the second byte of 81 5F is no separator: the whole segment is the candidate.
      {{"<title>" + G("首页") + "\x81\x5F" + G("华强电子有限公司") + "</title>"},
       G("首页") + "\x81\x5F" + G("华强电子有限公司")},
  };
  for (const auto& c : cases) {
    TComPanyInfo record;
    FindCompanyName(c.titles, record);
    EXPECT_EQ(record.RawComName(), c.name) << (c.titles.empty() ? "" : GbkToUtf8(c.titles[0]));
  }
}

TEST(FindCompanyName, LeavesANamedRecordAlone) {
  for (TNameStep step : {TNameStep::FirstTitle, TNameStep::FindCompanyName}) {
    TComPanyInfo record;
    record.SetComName(G("华强电子"));
    ApplyNameStep(step, Titles({"<title>首页_广州华强电子有限公司</title>"}), record);
    EXPECT_EQ(record.RawComName(), G("华强电子"));
  }
}

TEST(ApplyNameStep, FirstTitleTakesTheFirstTitlesTextUntrimmed) {
  TComPanyInfo record;
  // A title over several lines is one title; its text keeps the line ends.
  ApplyNameStep(TNameStep::FirstTitle,
                Titles({"<title>\r\n首页_华强电子有限公司\r\n</title>", "<title>二</title>"}),
                record);
  EXPECT_EQ(record.RawComName(), G("\r\n首页华强电子有限公司\r\n"));
}

struct TContactCase {
  const char* page;  // UTF-8
  bool reported;
  Strings tels, mobiles, emails, qqs;
  const char* address;  // the record's address afterwards ("旧地址保留" was there before)
};

TEST(ExtractContacts, TakesLongLandlinesElevenDigitMobilesMailQQAndAddress) {
  const char* kOld = "旧地址保留";
  const TContactCase cases[] = {
      {"电话：020-87654321<br>地址：广州市天河路1号",
       true,
       {"020-87654321"},
       {},
       {},
       {},
       "广州市天河路1号"},
      // A bare run of eight digits is matched but too short to count; so is a ten-digit
      // run, whose first eight digits are the match.
      {"电话：87654321 传真：0207654321", false, {}, {}, {}, {}, ""},
      // The dashed pattern is tried only when the first finds nothing at all.
      {"热线：400-800-1234", true, {"400-800-1234"}, {}, {}, {}, kOld},
      // When the first finds something, a service number is still read, as code and number.
      {"热线：400-800-1234 邮编 5100001", true, {"400-8001234"}, {}, {}, {}, kOld},
      // Mobiles: no word boundary, so one inside an order number counts; ten digits do not.
      {"订单号20140138123456789", true, {}, {"13812345678"}, {}, {}, kOld},
      {"手机：1381234567 或 14012345678", false, {}, {}, {}, {}, ""},
      {"手机：13912345678、13912345678，0755-12345678",
       true,
       {"0755-12345678"},
       {"13912345678"},
       {},
       {},
       kOld},
      // Mail without regard to case, one entry per address; QQ once per number, none empty.
      {"手机：13812345678 sales@hq-dz.com.cn Sales@HQ-DZ.com.cn",
       true,
       {},
       {"13812345678"},
       {"sales@hq-dz.com.cn"},
       {},
       kOld},
      {"手机：13812345678 uin=12345& uin=12345& uin=& UIN=67890&",
       true,
       {},
       {"13812345678"},
       {},
       {"12345", "67890"},
       kOld},
      // The address needs more than five bytes after cleaning.
      {"手机：13812345678 地址：北京", true, {}, {"13812345678"}, {}, {}, kOld},
      {"手机：13812345678 地址：北京市\r\n工厂地址：廊坊市开发区",
       true,
       {},
       {"13812345678"},
       {},
       {},
       "北京市"},
  };
  TRegExp re;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    TComPanyInfo record;
    record.keyword = "k";
    record.address = G(kOld);
    record.SetComName(G("华强"));
    EXPECT_EQ(ExtractContacts(re, G(c.page), record), c.reported);
    EXPECT_EQ(Utf8Of(record.tels), c.tels);
    EXPECT_EQ(Utf8Of(record.mobiles), c.mobiles);
    EXPECT_EQ(Utf8Of(record.emails), c.emails);
    EXPECT_EQ(Utf8Of(record.qqs), c.qqs);
    EXPECT_EQ(GbkToUtf8(record.address), c.address);
    // Nothing to report clears the record (name and address too), but not its keyword.
    EXPECT_EQ(record.RawComName().empty(), !c.reported);
    EXPECT_EQ(record.keyword, "k");
  }
}

// Numbers as pages write them today. Mobiles written out are stored as plain digits; landlines
// with bracketed or blank-separated area codes and service numbers as code, "-", number; the
// old patterns keep everything they took.
TEST(ExtractContacts, WrittenNumbers) {
  struct TCase {
    const char* page;
    Strings tels, mobiles;
  };
  const TCase cases[] = {
      {"手机：19912345678", {}, {"19912345678"}},
      {"手机：199 1234 5678", {}, {"19912345678"}},
      {"电话：020-87654321 手机：199-1234-5678", {"020-87654321"}, {"19912345678"}},
      {"电话：020-87654321 +86-166-1234-5678", {"020-87654321"}, {"16612345678"}},
      {"手机：+86 199 1234 5678", {}, {"19912345678"}},
      {"+8617012345678", {}, {"17012345678"}},
      {"(+86)17312345678", {}, {"17312345678"}},
      {"0086 175 1234 5678", {}, {"17512345678"}},
      {"手机：13812345678 / 19912345678", {}, {"13812345678", "19912345678"}},
      // The old plan's numbers written out are found too, once.
      {"手机：138 1234 5678、13812345678", {}, {"13812345678"}},
      // A mobile with hyphens is no landline, even where the dashed pattern takes it.
      {"手机：199-1234-5678", {}, {"19912345678"}},
      // Landlines.
      {"电话：(020) 8765-4321", {"020-87654321"}, {}},
      {"电话：（020）8765 4321", {"020-87654321"}, {}},
      {"电话：020 8765 4321", {"020-87654321"}, {}},
      {"电话：0755 83216688", {"0755-83216688"}, {}},
      {"电话：020-87654321 热线：400 123 4567 免费：800-820-8820 4008001234",
       {"020-87654321", "400-1234567", "800-8208820", "400-8001234"},
       {}},
      // The same number in two forms is listed once, as the old pattern wrote it.
      {"电话：020-87654321 传真：(020) 8765-4321", {"020-87654321"}, {}},
      {"热线：400-123-4567", {"400-123-4567"}, {}},
      // Not numbers of the plan: a seven-digit number in Hangzhou, no area code.
      {"电话：(0571) 888 8888", {}, {}},
      {"电话：(123) 4567-8901", {}, {}},
      // Digit runs that are no phones: inside order numbers, dates, prices, filing numbers,
      // postcodes, a ten-digit run without a separator.
      {"订单号：201401991234567 日期：2019-12-31 价格：¥1999.00 库存 19912 件", {}, {}},
      {"粤ICP备19912345号-1 京ICP备1991234567号 邮编：510000", {}, {}},
      {"编号 199 1234 56789，1 99 1234 5678，传真：0207654321", {}, {}},
      // ... unless the old mobile pattern takes them, as it always did.
      {"订单号20140138123456789", {}, {"13812345678"}},
  };
  TRegExp re;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    TComPanyInfo record;
    EXPECT_EQ(ExtractContacts(re, G(c.page), record), !c.tels.empty() || !c.mobiles.empty());
    EXPECT_EQ(Utf8Of(record.tels), c.tels);
    EXPECT_EQ(Utf8Of(record.mobiles), c.mobiles);
  }
}

// Every segment of today's plan at its edges, as libphonenumber knows it, against numbers no
// carrier has been given.
TEST(ExtractContacts, MobileSegmentsOfTodaysPlan) {
  const char* const valid[] = {
      "13012345678", "13412345678", "13912345678", "14512345678", "14712345678", "15012345678",
      "15312345678", "15512345678", "15912345678", "16212345678", "16512345678", "16612345678",
      "16712345678", "17012345678", "17112345678", "17212345678", "17312345678", "17400123456",
      "17405123456", "17512345678", "17812345678", "18012345678", "18912345678", "19012345678",
      "19112345678", "19212345678", "19312345678", "19512345678", "19812345678", "19912345678",
  };
  const char* const invalid[] = {
      "10012345678", "12012345678", "14012345678", "14112345678", "14612345678", "14812345678",
      "14912345678", "15412345678", "16012345678", "16112345678", "16412345678", "16812345678",
      "16912345678", "17406123456", "17412345678", "17912345678", "19412345678",
  };
  TRegExp re;
  for (bool written : {false, true}) {
    for (const char* number : valid) {
      std::string n = number;
      const std::string page =
          "手机：" + (written ? n.substr(0, 3) + " " + n.substr(3, 4) + " " + n.substr(7) : n);
      TComPanyInfo record;
      EXPECT_TRUE(ExtractContacts(re, G(page), record)) << page;
      EXPECT_EQ(Utf8Of(record.mobiles), Strings{n}) << page;
      EXPECT_TRUE(IsMobileNumber(n)) << n;
    }
  }
  for (const char* number : invalid) {
    TComPanyInfo record;
    EXPECT_FALSE(ExtractContacts(re, G(std::string("手机：") + number), record)) << number;
    EXPECT_FALSE(IsMobileNumber(number)) << number;
  }
  // Only eleven digits beginning with "1" are asked about.
  for (const char* bad : {"", "1991234567", "199123456789", "1991234567x", "29912345678"}) {
    EXPECT_FALSE(IsMobileNumber(bad)) << bad;
  }
}

TEST(PhoneNumbers, CandidatesAreWholeGroups) {
  struct TCase {
    std::string text;  // GBK
    Strings mobiles;
    std::vector<TLandlineCandidate> landlines;
  };
  const TCase cases[] = {
      {"a19912345678b", {"19912345678"}, {}},
      {"199-1234-5678 199 1234 5678", {"19912345678", "19912345678"}, {}},
      {"1991-234-5678 1991-2345678 199-12345678",
       {"19912345678", "19912345678", "19912345678"},
       {}},
      // A second blank or a dot is no joiner; a three-digit group ends no number.
      {"199  1234 5678 199.1234.5678", {}, {}},
      {"2014 199 1234 5678", {"19912345678"}, {}},
      {"1991 2345 678 19 912 345 678", {}, {}},
      {"119912345678 9912345678", {}, {}},
      {"+8619912345678 8619912345678 +8629912345678", {"19912345678"}, {}},
      {"(020)87654321 (020)-8765 4321", {}, {{"020", "87654321", ""}, {"020", "87654321", ""}}},
      {G("（0755）8321-6688"), {}, {{"0755", "83216688", ""}}},
      {"(020 87654321 020)87654321", {}, {{"020", "87654321", ""}}},
      {"0755-823-4567 0755-8234-567", {}, {{"0755", "8234567", ""}, {"0755", "8234567", ""}}},
      {"020-82-345678 020-823456789 0201-8345678", {}, {{"0201", "8345678", ""}}},
      {"400-82345678 400-823-45678 4008234567 8008234567 6008234567",
       {},
       {{"400", "8234567", ""}, {"800", "8234567", ""}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MobileCandidates(c.text), c.mobiles) << c.text;
    EXPECT_EQ(LandlineCandidates(c.text), c.landlines) << c.text;
  }
}

TEST(ExtractContacts, AddsToWhatThePreviousPassFound) {
  TRegExp re;
  TComPanyInfo record;
  ASSERT_TRUE(ExtractContacts(re, G("电话：020-87654321 uin=1001&"), record));
  ASSERT_TRUE(ExtractContacts(re, G("电话：020-87654321 手机：13812345678"), record));
  EXPECT_EQ(Utf8Of(record.tels), Strings{"020-87654321"});
  EXPECT_EQ(Utf8Of(record.mobiles), Strings{"13812345678"});
  EXPECT_EQ(Utf8Of(record.qqs), Strings{"1001"});
}

// Whole pages through the contact-link patterns: a CR LF page full of anchors that never
// close has no contact link, and a real one is found behind them.
TEST(ContactPatterns, UnclosedAnchorsOnACrLfPage) {
  std::string page;
  for (int i = 0; i < 4000; ++i) {
    page += "<a href=\"/p" + std::to_string(i) + ".html\" title=\"联系我们\">\r\n联系我们 产品\r\n";
  }
  const std::string text = G(page);
  TRegExp re;
  for (const auto& pattern : ContactPatterns().contactLinks) {
    EXPECT_TRUE(re.FindAll(text, pattern).empty());
  }
  const std::string withLink = text + G("<a href=\"/lx.html\">联系我们</a>");
  EXPECT_EQ(re.FindAll(withLink, ContactPatterns().contactLinks.front()),
            Strings{G("<a href=\"/lx.html\">联系我们</a>")});
}

TEST(FindContactLink, FirstPatternThatFindsAnythingOrTheExactLink) {
  struct TCase {
    const char* page;
    bool exactOnly;
    const char* link;
  };
  const TCase cases[] = {
      {"<a href=/a>关于我们</a><a href=/b>联系方式</a><a href=/c>联系我们</a>", false,
       "<a href=/c>联系我们</a>"},
      {"<a href=/a>关于我们</a><a href=/b>联系方式</a>", false, "<a href=/b>联系方式</a>"},
      {"<A HREF=/a>关于我们</A><a href=/d>联系人</a>", false, "<A HREF=/a>关于我们</A>"},
      {"<A HREF=/d>联系人</A>", false, "<A HREF=/d>联系人</A>"},
      // The patterns miss a link whose text is wrapped in markup; its text still says so.
      {"<a href=/c><b>联系我们</b></a>", false, "<a href=/c><b>联系我们</b></a>"},
      {"<a href=/c><b>联系我们</b></a>", true, ""},
      {"<a href=/b>联系方式</a><A href=/c>联系我们</A>", true, "<A href=/c>联系我们</A>"},
      {"<a href=/c>联系我们 </a>", true, ""},
      {"联系我们", false, ""},
      {"", true, ""},
  };
  TRegExp re;
  for (const auto& c : cases) {
    EXPECT_EQ(GbkToUtf8(FindContactLink(re, G(c.page), c.exactOnly)), c.link) << c.page;
  }
}

TEST(ExtractPage, NamesThenExtracts) {
  TRegExp re;
  TComPanyInfo record;
  const std::string page =
      G("<html><head><title>首页_广州华强电子有限公司-专业</title></head>\r\n"
        "<body>电话：020-87654321</body></html>");
  ASSERT_TRUE(ExtractPage(re, TNameStep::FindCompanyName, page, record));
  EXPECT_EQ(GbkToUtf8(record.RawComName()), "广州华强电子有限公司");
  TComPanyInfo plain;
  ASSERT_TRUE(ExtractPage(re, TNameStep::FirstTitle, page, plain));
  EXPECT_EQ(GbkToUtf8(plain.RawComName()), "首页广州华强电子有限公司专业");

  // Tags and the QQ marker in capitals still count.
  TComPanyInfo upper;
  ASSERT_TRUE(ExtractPage(re, TNameStep::FirstTitle,
                          G("<TITLE>华强电子</TITLE>\r\nUin=5& 手机：13812345678"), upper));
  EXPECT_EQ(GbkToUtf8(upper.RawComName()), "华强电子");
  EXPECT_EQ(Utf8Of(upper.qqs), Strings{"5"});
}

}  // namespace
}  // namespace vlmr
