#include "engine/RegExp.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "base/Text.h"
#include "engine/records/EngineSettings.h"
#include "support/HostilePages.h"
#include "support/TestText.h"

namespace vlmr {
namespace {

using Kind = ERegExpError::TKind;
using Strings = std::vector<std::string>;

using test::G;

// FindAll with the text and the pattern written as UTF-8 and the matches read back as UTF-8.
Strings Find(TRegExp& re, std::string_view textUtf8, std::string_view patternUtf8) {
  Strings out;
  for (const auto& m : re.FindAll(G(textUtf8), G(patternUtf8))) {
    out.push_back(GbkToUtf8(m));
  }
  return out;
}

TRegExpLimits Interpreter() {
  TRegExpLimits limits;
  limits.useJit = false;
  return limits;
}

// Every case runs on JIT code and on the interpreter; both must give the same matches.
const TRegExpLimits kModes[] = {TRegExpLimits{}, Interpreter()};

struct Case {
  std::string pattern;
  std::string text;
  Strings expected;
};

void RunCases(const std::vector<Case>& cases) {
  for (const auto& mode : kModes) {
    TRegExp re(mode);
    for (const auto& c : cases) {
      SCOPED_TRACE((mode.useJit ? "jit: " : "interpreter: ") + c.pattern + " on " + c.text);
      EXPECT_EQ(Find(re, c.text, c.pattern), c.expected);
    }
  }
}

const std::string kLandline = R"((\d{3,4}-)?\d{7,8})";
const std::string kLandlineDashed = R"((\d{3}-)(\d{3,4}-)(\d{3,4}))";
const std::string kMobile =
    R"((134|135|136|137|138|139|147|150|151|152|157|158|159|178|182|183|184|187|188|130|131|132|145|155|156|176|185|186|133|153|177|180|181|189)\d{8})";
const std::string kEmail = R"([A-Z0-9._%+-]+@[A-Z0-9.-]+\.[A-Z]{2,4})";
const std::string kQQ = R"(uin=[\d]*&)";
const std::string kAddress = R"(地.*址\S*)";
const std::string kTitle = R"(<title[^>]*>[^>]*</title>)";
const std::string kAnyLink = R"(<a[^>]*http://[^>]*>(?:.|[\r\n])*?</a>)";
const std::string kLazyAnchorEnd = R"([^>]*>(?:.|[\r\n])*?</a>)";
const std::string kBaiduAd = std::string("<a[^>]*") + BaiduDomain + "/baidu.php?" + kLazyAnchorEnd;
const std::string kSogouAd =
    std::string("<a[^>]*http://") + SogouSearchHost + "/bill_cpc?" + kLazyAnchorEnd;
const std::string k360Ad =
    std::string("<a[^>]*http://") + Ad360Host + "/search/eclk?" + kLazyAnchorEnd;

TEST(RegExpFindAll, ContactPatterns) {
  RunCases({
      // Ten digits without a hyphen: the optional group cannot take three of them, so the
      // match is the first eight.
      {kLandline, "电话：0207654321", {"02076543"}},
      {kLandline, "电话：020-87654321 传真：0755-1234567", {"020-87654321", "0755-1234567"}},
      {kLandline, "86-020-87654321", {"020-87654321"}},
      {kLandline, "编号12345 共6位", {}},
      // Digits are ASCII only: full-width digits are not numbers.
      {kLandline, "０２０８７６５４３２１", {}},
      {kLandlineDashed, "热线：400-800-1234，400-8001-234", {"400-800-1234", "400-8001-234"}},
      // No word boundary: a mobile number is found inside a longer run of digits.
      {kMobile, "手机：13812345678", {"13812345678"}},
      {kMobile, "订单00138123456789", {"13812345678"}},
      {kMobile, "1891234567818912345678", {"18912345678", "18912345678"}},
      {kMobile, "12012345678 1401234567", {}},
      // Letters match without regard to case.
      {kEmail, "邮箱：sales@hq-dz.com.cn。", {"sales@hq-dz.com.cn"}},
      {kEmail, "Mail: Wang.Li+x@Example.COM, b@c.d", {"Wang.Li+x@Example.COM"}},
      {kEmail, "<a href=\"mailto:info@a.cn\">info@a.cn</a>", {"info@a.cn", "info@a.cn"}},
      {kQQ, "msgrd?v=3&uin=800012345&site=qq&UIN=12&", {"uin=800012345&", "UIN=12&"}},
      {kQQ, "uin=&uin=12", {"uin=&"}},
      // "." is greedy up to the line feed, so an address followed by a web-site label on the
      // same line runs to the end of the site's address.
      {kAddress,
       "地址：广州市天河路1号 网址：http://www.gz-dz.com\r\n电话：020-87654321",
       {"地址：广州市天河路1号 网址：http://www.gz-dz.com"}},
      {kAddress,
       "公司地址:深圳市福田区\r\n工厂地址:东莞市长安镇\r\n",
       {"地址:深圳市福田区", "地址:东莞市长安镇"}},
      {kAddress, "所在地\n址不在同一行", {}},
      {kAddress, "所在地\r址在回车之后", {"地\r址在回车之后"}},
  });
}

TEST(RegExpFindAll, PagePatterns) {
  RunCases({
      // A negated class matches line ends: a title over several lines is one match.
      {kTitle,
       "<head>\r\n<TITLE>\r\n深圳市华强\r\n电子有限公司</TITLE>",
       {"<TITLE>\r\n深圳市华强\r\n电子有限公司</TITLE>"}},
      {kTitle,
       "<title lang=\"zh\">首页-华强</title><title>二</title>",
       {"<title lang=\"zh\">首页-华强</title>", "<title>二</title>"}},
      {kTitle, "<title>未结束", {}},
      {R"(<a[^>]*>[^>]*联系我们[^>]*</a>)",
       "<A HREF=\"/lx.html\" class=nav>联系我们</A><a href='/c'><span>联系我们</span></a>",
       {"<A HREF=\"/lx.html\" class=nav>联系我们</A>"}},
      {R"(<a[^>]*>[^>]*联系方式[^>]*</a>)",
       "<a href=\"/c.asp\">\r\n  联系方式\r\n</a>",
       {"<a href=\"/c.asp\">\r\n  联系方式\r\n</a>"}},
      {R"(<a[^>]*>[^>]*关于我们[^>]*</a>)",
       "<a href=\"/about\">关于我们 About</a>",
       {"<a href=\"/about\">关于我们 About</a>"}},
      {R"(<a[^>]*>[^>]*联系[^>]*</a>)",
       "<a href=\"/1\">首页</a><a href=\"/2\">联系方式</a>",
       {"<a href=\"/2\">联系方式</a>"}},
      {R"(<a[^>]*>联系我们</a>)",
       "<a href=\"/x\"> 联系我们</a><a href=\"/y\">联系我们</a>",
       {"<a href=\"/y\">联系我们</a>"}},
      {R"(<tr>([\s\S]*?)</tr>)",
       "<table><tr><td>主办单位</td><td>某公司</td></tr>\r\n<TR><td>网站名称</td></TR><tr>",
       {"<tr><td>主办单位</td><td>某公司</td></tr>", "<TR><td>网站名称</td></TR>"}},
  });
}

TEST(RegExpFindAll, ResultPagePatterns) {
  RunCases({
      // Lazy loops: each block ends at its own first end marker.
      {R"(<div id="[^>]*(data-click=)[^>]*>([\s\S]*?)推广)",
       "<div id=\"3001\" data-click=\"{'a':1}\">\r\n<h3>广州电子</h3>\r\n<span>推广</span></div>"
       "<div id=\"3002\" data-click=\"{}\">深圳推广推广",
       {"<div id=\"3001\" data-click=\"{'a':1}\">\r\n<h3>广州电子</h3>\r\n<span>推广",
        "<div id=\"3002\" data-click=\"{}\">深圳推广"}},
      {R"(<div id="[^>]*(data-click=)[^>]*>([\s\S]*?)推广)", "<div id=\"1\" class=\"x\">推广", {}},
      {R"(<div[^>]*(srcid=)[^>]*>([\s\S]*?)(快照))",
       "<div class=\"result\" id=\"1\" srcid=\"1599\">\r\n<h3><a href=\"x\">华强</a></h3>\r\n"
       "<a class=\"m\">百度快照</a></div>",
       {"<div class=\"result\" id=\"1\" srcid=\"1599\">\r\n<h3><a href=\"x\">华强</a></h3>\r\n"
        "<a class=\"m\">百度快照"}},
      {kBaiduAd,
       "<a data-x=1 href=\"http://www.baidu.com/baidu.php?url=K1\" target=\"_blank\">广州\r\n"
       "<em>电子</em>\r\n</a><a href=\"http://www.baidu.com/link?url=2\">二</a>",
       {"<a data-x=1 href=\"http://www.baidu.com/baidu.php?url=K1\" target=\"_blank\">广州\r\n"
        "<em>电子</em>\r\n</a>"}},
      // "?" makes the last letter optional, and the domain's dot matches any character.
      {kBaiduAd,
       "<a href=\"http://baidu-com/baidu.ph\">x</a>",
       {"<a href=\"http://baidu-com/baidu.ph\">x</a>"}},
      {kSogouAd,
       "<a href=\"http://www.sogou.com/bill_cpc?v=1&k=2\" id=\"a\">东莞\r\n电子</a>",
       {"<a href=\"http://www.sogou.com/bill_cpc?v=1&k=2\" id=\"a\">东莞\r\n电子</a>"}},
      {k360Ad,
       "<a href=\"http://e.360.cn/search/eclk?p=1&q=x\">佛山</a><a href=\"http://b.com\">b</a>",
       {"<a href=\"http://e.360.cn/search/eclk?p=1&q=x\">佛山</a>"}},
      {kAnyLink,
       "<a href=\"http://a.com/\">甲\r\n乙</a>\r\n<a href=\"/local\">本站</a>"
       "<A HREF=\"HTTP://B.COM\">丙</A>",
       {"<a href=\"http://a.com/\">甲\r\n乙</a>", "<A HREF=\"HTTP://B.COM\">丙</A>"}},
  });
}

// Where the script dialect reads a construct differently from PCRE2's defaults.
TEST(RegExpFindAll, DialectReadings) {
  RunCases({
      {"a.b", "a\rb a\nb", {"a\rb"}},
      {"c$", "abc\n", {}},
      {"c$", "abc", {"c"}},
      {"^a", "a\na", {"a"}},
      {R"(a\sb)", "a\vb a\u3000b a\tb", {"a\vb", "a\tb"}},
      {R"(\w+)", "中文abc_1", {"abc_1"}},
      {R"(\u5730\x41)", "地a", {"地a"}},
      {"ABC", "abc aBc", {"abc", "aBc"}},
  });
}

// The interpreter's patterns run inside an attempt callout group: top-level alternatives, an
// open "\\Q" and settings that only the pattern's own form allows must keep their meaning.
TEST(RegExpFindAll, PatternsKeepTheirMeaningInsideTheBudget) {
  RunCases({
      {"b|a", "abc", {"a", "b"}},
      {"a\\Qb)", "ab) ab", {"ab)"}},
      {R"(a\Q|b)", "a|b ab", {"a|b"}},
      {"(?x) a b # a comment", "ab a b", {"ab"}},
      {"(*NO_START_OPT)ab", "xab", {"ab"}},
      {R"((a)\1)", "aa a", {"aa"}},
      {"(?C2)a", "aa", {"a", "a"}},
  });
}

// JIT code searches a window of start positions per call: matches right before, on and after a
// window's edge, one that spans windows, and a window edge inside a Chinese character must give
// what the interpreter gives.
TEST(RegExpFindAll, MatchesAcrossSearchWindows) {
  const std::size_t window = 64 * 1024;
  std::string text;
  std::vector<std::string> expected;
  auto fillTo = [&text](std::size_t at) {
    while (text.size() < at) {
      text += text.size() % 3 == 0 ? "地" : "x";
    }
  };
  for (std::size_t at : {window - 3, window + 1, 2 * window, 3 * window + 7}) {
    fillTo(at);
    text += "<tr>" + std::to_string(at) + "</tr>";
    expected.push_back("<tr>" + std::to_string(at) + "</tr>");
  }
  fillTo(4 * window - 10);
  std::string spanning = "<tr>";
  while (spanning.size() < 2 * window) {
    spanning += "行";
  }
  spanning += "</tr>";
  text += spanning;
  expected.push_back(spanning);
  fillTo(text.size() + window);
  RunCases({{"<tr>[\\s\\S]*?</tr>", text, expected}});
}

// The hostile pages that make a backtracking matcher work quadratically: with the interpreter
// forced (as on a system without JIT) each must fail with LimitHit under the default budget
// instead of running for seconds (each takes over a second unbounded, minutes at full size);
// JIT code finishes them without a match. The object stays usable after a failure.
TEST(RegExpBudget, HostilePagesFailFastInTheInterpreter) {
  struct HostileCase {
    const char* name;
    std::size_t bytes;
  } cases[] = {
      {"unclosed_anchors", 128 * 1024},
      {"unclosed_rows", 128 * 1024},
      {"blocks_without_snapshot", 64 * 1024},
      {"line_without_address_end", 48 * 1024},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const test::THostilePage* page = nullptr;
    for (const auto& p : test::HostilePages()) {
      page = std::string(p.name) == c.name ? &p : page;
    }
    ASSERT_NE(page, nullptr);
    const std::string text = page->make(c.bytes);
    const std::string pattern = G(page->patternUtf8);

    // The switch holds for objects that search for the first time while it is on.
    TRegExp::SetInterpreterOnlyForTesting(true);
    TRegExp interpreter;
    try {
      interpreter.FindAll(text, pattern);
      ADD_FAILURE() << "no error";
    } catch (const ERegExpError& e) {
      EXPECT_EQ(e.Kind(), Kind::LimitHit) << e.what();
      EXPECT_NE(std::string(e.what()).find("budget"), std::string::npos) << e.what();
    }
    TRegExp::SetInterpreterOnlyForTesting(false);
    EXPECT_EQ(Find(interpreter, "电话 13812345678", kMobile), Strings{"13812345678"});

    TRegExp jit;
    EXPECT_TRUE(jit.FindAll(text, pattern).empty());
  }
}

// The budget is counted over the whole call, across attempts and searches, on both paths: with
// a clock that advances a millisecond at every reading, a text of many short matches runs out
// of its 5 ms; with a clock that stands still the same call gives every match.
std::chrono::nanoseconds SteppingClock() {
  static std::chrono::nanoseconds now{};
  return now += std::chrono::milliseconds(1);
}
std::chrono::nanoseconds StoppedClock() {
  return std::chrono::nanoseconds{};
}

TEST(RegExpBudget, CountsTheWholeCall) {
  std::string text;
  for (int i = 0; i < 2000; ++i) {
    text += "13812345678 ";
  }
  for (bool useJit : {true, false}) {
    SCOPED_TRACE(useJit ? "jit" : "interpreter");
    TRegExpLimits limits;
    limits.useJit = useJit;
    limits.budgetBase = std::chrono::milliseconds(5);
    limits.budgetPerMiB = {};
    limits.clock = SteppingClock;
    TRegExp stepping(limits);
    EXPECT_THROW(stepping.FindAll(text, G(kMobile)), ERegExpError);
    // Each call has a budget of its own.
    EXPECT_EQ(stepping.FindAll("13812345678", G(kMobile)).size(), 1u);
    limits.clock = StoppedClock;
    TRegExp stopped(limits);
    EXPECT_EQ(stopped.FindAll(text, G(kMobile)).size(), 2000u);
  }
}

// Global matching: after an empty match the search resumes one character on; a match may then
// start right where the previous one ended.
TEST(RegExpFindAll, EmptyMatchesStepOneCharacter) {
  RunCases({
      {"x*", "ab", {"", "", ""}},
      {"a*", "baaa", {"", "aaa", ""}},
      {"x*", "中文", {"", "", ""}},
      {"(?=址)", "地址址", {"", ""}},
      {"x*", "", {""}},
      {kMobile, "", {}},
      {kTitle, "没有标题", {}},
  });
}

// Patterns match whole characters: an ASCII letter or a Chinese character's bytes that a
// double-byte character only contains must not match.
TEST(RegExpFindAll, MatchesWholeGbkCharactersAndReturnsGbk) {
  TRegExp re;
  // "丄" is 81 41: its second byte is the letter "A".
  EXPECT_TRUE(re.FindAll("\x81\x41@hq.com", G(kEmail)).empty());
  // "暗亍爸贰" is B0 B5 D8 A1 B0 D6 B7 A1: the bytes of "地" and "址" straddle its characters.
  EXPECT_TRUE(re.FindAll("\xB0\xB5\xD8\xA1\xB0\xD6\xB7\xA1", G(kAddress)).empty());

  std::string text = G("<title>深圳市华强电子</title>");
  EXPECT_EQ(re.FindAll(text, G(kTitle)), Strings{text});
  EXPECT_EQ(re.FindAll(G("地址：广州 路"), G(kAddress)), Strings{G("地址：广州")});
}

// Bytes that are not GBK are read as the code-page conversion reads them, one "?" each, and
// the rest of the text still matches: a page cut off inside a character keeps its numbers.
TEST(RegExpFindAll, TextWithBytesThatAreNotGbkStillMatches) {
  TRegExp re;
  EXPECT_EQ(re.FindAll("13812345678 \x81", G(kMobile)), Strings{"13812345678"});
  EXPECT_EQ(re.FindAll("<title>A\xFF\x81\x30</title>", G(kTitle)), Strings{"<title>A??0</title>"});
}

TEST(RegExpFindAll, RejectedPatternsRaise) {
  const std::string patterns[] = {"(", "[a-", "a{2,1}", "*a", "(?<n", "\\", "a)"};
  for (const auto& mode : kModes) {
    TRegExp re(mode);
    for (const auto& p : patterns) {
      SCOPED_TRACE(p);
      try {
        re.FindAll("text", p);
        ADD_FAILURE() << "no error";
      } catch (const ERegExpError& e) {
        EXPECT_EQ(e.Kind(), Kind::BadPattern);
        EXPECT_NE(std::string(e.what()).find("offset"), std::string::npos) << e.what();
      }
      // The object stays usable after a refusal.
      EXPECT_EQ(Find(re, "tel 13812345678", kMobile), Strings{"13812345678"});
    }
  }
}

// A pattern is the program's own text: a byte that is not GBK would become "?", a quantifier.
TEST(RegExpFindAll, PatternThatIsNotGbkRaises) {
  TRegExp re;
  for (std::string p : {"ab\x81", "a\xFF", "\x81\x30"}) {
    try {
      re.FindAll("ab", p);
      ADD_FAILURE() << "no error";
    } catch (const ERegExpError& e) {
      EXPECT_EQ(e.Kind(), Kind::BadPattern);
    }
  }
  // A "?" of the pattern itself stays a quantifier.
  EXPECT_EQ(re.FindAll("abb a", "ab?"), (Strings{"ab", "a"}));
}

TEST(RegExpFindAll, LimitHitRaisesInsteadOfNoMatch) {
  // Nested alternatives that both take an "a": 2^n ways to fail before the "c".
  const std::string runaway = "(a|a)*b";
  const std::string text = std::string(40, 'a') + "cb";
  struct LimitCase {
    const char* name;
    TRegExpLimits limits;
    std::string pattern;
    std::string text;
  };
  TRegExpLimits matchJit;
  matchJit.matchLimit = 10000;
  TRegExpLimits matchInterp = Interpreter();
  matchInterp.matchLimit = 10000;
  // A group repeated once per character keeps one backtracking frame per repetition.
  TRegExpLimits heap = Interpreter();
  heap.heapLimitKiB = 256;
  TRegExpLimits stack;
  stack.jitStackBytes = 32 * 1024;
  const std::string deep = "(?:a|b)*c";
  const std::string longRun = std::string(200000, 'a') + "d" + "c";
  const LimitCase cases[] = {
      {"match limit, jit", matchJit, runaway, text},
      {"match limit, interpreter", matchInterp, runaway, text},
      {"heap limit", heap, deep, longRun},
      {"jit stack", stack, deep, longRun},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegExp re(c.limits);
    try {
      re.FindAll(c.text, c.pattern);
      ADD_FAILURE() << "no error";
    } catch (const ERegExpError& e) {
      EXPECT_EQ(e.Kind(), Kind::LimitHit) << e.what();
    }
  }
}

// An anchor that is never closed on a large CR LF page: the lazy loop as the collectors write
// it would backtrack exponentially over the line ends; the service must come back with the
// closed anchors, under its default limits.
TEST(RegExpFindAll, UnclosedAnchorOnLargeCrLfPageCompletes) {
  std::string page = G("<a href=\"http://a.com/\">甲公司</a>\r\n");
  page += G("<a href=\"http://www.baidu.com/baidu.php?url=1\" class=\"ad\">广州电子\r\n");
  while (page.size() < 512 * 1024) {
    page += G("<p>电子元器件 批发 零售</p>\r\n\r\n");
  }
  for (const auto& mode : kModes) {
    SCOPED_TRACE(mode.useJit ? "jit" : "interpreter");
    TRegExp re(mode);
    EXPECT_EQ(re.FindAll(page, G(kAnyLink)), Strings{G("<a href=\"http://a.com/\">甲公司</a>")});
    EXPECT_TRUE(re.FindAll(page, G(kBaiduAd)).empty());
  }
}

TEST(RegExpFindAll, LazyAnyLoopIsRunAsOneClass) {
  struct RewriteCase {
    std::string in;
    std::string out;
  } cases[] = {
      {kAnyLink, R"(<a[^>]*http://[^>]*>[\s\S]*?</a>)"},
      {R"((?:.|[\r\n])*?x(?:.|[\r\n])*?)", R"([\s\S]*?x[\s\S]*?)"},
      // An escaped "(" is a literal parenthesis, not the group.
      {R"(\(?:.|[\r\n])*?)", R"(\(?:.|[\r\n])*?)"},
      {R"(\\(?:.|[\r\n])*?)", R"(\\[\s\S]*?)"},
      {R"((?:.|[\r\n])*)", R"((?:.|[\r\n])*)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TRegExp::PreparePattern(c.in), c.out) << c.in;
  }
}

// Compiled patterns are cached per object; many distinct patterns, more than the cache holds,
// must each still give their own matches, before and after the cache is emptied.
TEST(RegExpFindAll, ManyPatternsOnOneObject) {
  TRegExp re;
  std::string text;
  for (int i = 0; i < 200; ++i) {
    text += " k" + std::to_string(i) + "=v";
  }
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 200; ++i) {
      std::string key = "k" + std::to_string(i) + "=";
      ASSERT_EQ(re.FindAll(text, " " + key + "\\w"), Strings{" " + key + "v"}) << key;
    }
  }
  EXPECT_EQ(
      re.FindAll(text, "K1\\d="),
      (Strings{"k10=", "k11=", "k12=", "k13=", "k14=", "k15=", "k16=", "k17=", "k18=", "k19="}));
}

// Objects on different threads share nothing: the same work gives the same matches.
TEST(RegExpFindAll, ObjectsOnSeveralThreads) {
  std::string page;
  for (int i = 0; i < 300; ++i) {
    page += G("<tr><td>联系人</td><td>王经理</td></tr>\r\n手机：1381234" +
              std::to_string(1000 + i) + " 地址：广州市" + std::to_string(i) + "号\r\n");
  }
  const std::string patterns[] = {G(kMobile), G(kAddress), G(R"(<tr>([\s\S]*?)</tr>)")};
  auto work = [&] {
    TRegExp re;
    std::vector<Strings> all;
    for (int round = 0; round < 5; ++round) {
      for (const auto& p : patterns) {
        all.push_back(re.FindAll(page, p));
      }
    }
    return all;
  };
  const auto expected = work();
  ASSERT_EQ(expected[0].size(), 300u);
  std::vector<std::vector<Strings>> results(4);
  std::vector<std::thread> threads;
  for (auto& r : results) {
    threads.emplace_back([&r, &work] { r = work(); });
  }
  for (auto& t : threads) {
    t.join();
  }
  for (const auto& r : results) {
    EXPECT_EQ(r, expected);
  }
}

}  // namespace
}  // namespace vlmr

namespace vlmr {
namespace {

// The object keeps the last text's conversion: a new text, even one that differs only at its
// end, must be searched as itself.
TEST(RegExpLastText, EachTextIsSearchedAsItself) {
  TRegExp re;
  const std::string page = Utf8ToGbk("电话：020-88886666 手机 13800138000");
  EXPECT_EQ(re.FindAll(page, R"(\d{11})"), std::vector<std::string>{"13800138000"});
  EXPECT_EQ(re.FindAll(page + "9", R"(\d{11})"), std::vector<std::string>{"13800138000"});
  EXPECT_EQ(re.FindAll(page + "9", R"(\d{12})"), std::vector<std::string>{"138001380009"});
  EXPECT_TRUE(re.FindAll(page, R"(\d{12})").empty());
  EXPECT_TRUE(re.FindAll("", R"(\d)").empty());
  EXPECT_EQ(re.FindAll("7", R"(\d)"), std::vector<std::string>{"7"});
}

}  // namespace
}  // namespace vlmr
