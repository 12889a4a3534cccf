// The crawler's pure steps: reading links, making them absolute, decoding pages, naming the
// company from its titles, cleaning the address and extracting the contacts of a page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "engine/ContactExtract.h"
#include "engine/PageText.h"
#include "engine/RegExp.h"
#include "engine/SiteLinks.h"

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

TEST(CleanAddress, DropsTheLabelAndTheMarkup) {
  const std::pair<const char*, const char*> cases[] = {
      {"地址：广州市天河路1号", "广州市天河路1号"},
      {"地址:深圳市福田区", "深圳市福田区"},
      {"地址：<span>东莞市长安镇</span>", "东莞市长安镇"},
      {"地址：</span>佛山市顺德区</p>", "佛山市顺德区"},
      // A value followed by a tag is lost: the cut after the first ">" takes it away.
      {"地址：佛山市顺德区<br>", ""},
      {"地&nbsp;址>北京市海淀区</td>", "北京市海淀区"},
      // The greedy match runs on to a web-site label on the same line; its colon then cuts.
      {"地址：广州市天河路1号 网址：http://www.gz-dz.com", "//www.gz-dz.com"},
      {"地址", ""},
  };
  for (const auto& [match, address] : cases) {
    EXPECT_EQ(GbkToUtf8(CleanAddress(G(match))), address) << match;
  }
  // The markers are whole characters: "址" inside two other characters is no marker.
  const std::string straddling = "\xB0\xB5\xD8\xA1\xB0\xD6\xB7\xA1";
  EXPECT_EQ(CleanAddress(straddling), straddling);
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
      {"热线：400-800-1234 邮编 5100001", false, {}, {}, {}, {}, ""},
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
      {"<a href=/c><b>联系我们</b></a>", false, ""},
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
