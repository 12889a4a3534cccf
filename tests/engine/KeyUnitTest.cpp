#include <gtest/gtest.h>

#include "base/Text.h"
#include "engine/records/EngineSettings.h"
#include "engine/records/KeyUnit.h"
#include "support/TestText.h"

namespace vlmr {
namespace {

using test::G;

TEST(ComPanyInfo, SetComNameCleansInOrderWithoutTrimming) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"联系我们-深圳市华强电子有限公司", "深圳市华强电子有限公司"},
      {"华强 ,电子.有限_公司", "华强  电子有限公司"},
      {"Acme联系方式", "Acme"},
      {"关于我们Acme Co.", "Acme Co"},
      {"A?B-C_D", "ABCD"},
      // "联系方式" goes before "联系": nothing of it is left behind.
      {"联系方式联系", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    TComPanyInfo info;
    info.SetComName(G(c.in));
    EXPECT_EQ(GbkToUtf8(info.RawComName()), c.out) << c.in;
  }
}

TEST(ComPanyInfo, NameIsASpaceWhenEmptyAndSurvivesCopies) {
  TComPanyInfo a;
  EXPECT_EQ(a.GetComName(), " ");
  TComPanyInfo b;
  b.Assign(a);
  EXPECT_EQ(b.GetComName(), " ");
  EXPECT_EQ(b.RawComName(), " ");
}

TEST(ComPanyInfo, ListsAreUniqueWithoutCase) {
  TComPanyInfo info;
  info.AddTel("020-88888888");
  info.AddTel("020-88888888");
  info.AddEmail("Sales@Acme.cn");
  info.AddEmail("sales@acme.CN");
  EXPECT_EQ(info.tels.size(), 1u);
  ASSERT_EQ(info.emails.size(), 1u);
  EXPECT_EQ(info.emails[0], "Sales@Acme.cn");
}

TEST(ComPanyInfo, ClearKeepsQQKeywordListIdAndCertifiedMark) {
  TComPanyInfo info;
  info.keyword = "k";
  info.listId = "9";
  info.SetComName("Acme");
  info.address = "addr";
  info.webUrl = "http://acme.cn/";
  info.source = SourceLabel(ENGINE_SOGOU);
  info.isPay = 1;
  info.renZheng = 1;
  info.AddTel("1");
  info.AddMobile("13800138000");
  info.AddEmail("a@b.c");
  info.AddQQ("12345");
  info.Clear();
  EXPECT_EQ(info.GetComName(), " ");
  EXPECT_TRUE(info.tels.empty() && info.mobiles.empty() && info.emails.empty());
  EXPECT_TRUE(info.address.empty() && info.webUrl.empty() && info.source.empty());
  EXPECT_EQ(info.isPay, 0);
  EXPECT_EQ(info.renZheng, 1);
  EXPECT_EQ(info.keyword, "k");
  EXPECT_EQ(info.listId, "9");
  info.AddQQ("67890");
  EXPECT_EQ(info.qqs.TextForm(), "12345\r\n67890\r\n");
}

TEST(ComPanyInfo, AssignCopiesAllButListIdAndKeyword) {
  TComPanyInfo src;
  src.keyword = "src";
  src.listId = "1";
  src.SetComName("Acme");
  src.address = "a";
  src.webUrl = "w";
  src.source = "s";
  src.isPay = 1;
  src.renZheng = 1;
  src.AddTel("t");
  src.AddMobile("m");
  src.AddEmail("e");
  src.AddQQ("q");
  TComPanyInfo dst;
  dst.keyword = "dst";
  dst.listId = "2";
  dst.AddTel("old");
  dst.Assign(src);
  EXPECT_EQ(dst.GetComName(), "Acme");
  EXPECT_EQ(dst.keyword, "dst");
  EXPECT_EQ(dst.listId, "2");
  EXPECT_EQ(dst.tels.TextForm(), "t\r\n");
  EXPECT_EQ(dst.mobiles.TextForm(), "m\r\n");
  EXPECT_EQ(dst.emails.TextForm(), "e\r\n");
  EXPECT_EQ(dst.qqs.TextForm(), "q\r\n");
  EXPECT_EQ(dst.address + dst.webUrl + dst.source, "aws");
  EXPECT_EQ(dst.isPay + dst.renZheng, 2);
}

TEST(KeyUnit, TextBetween) {
  struct Case {
    const char* start;
    const char* end;
    const char* text;
    const char* expected;
  } cases[] = {
      {"uin=", "&", "x?uin=12345&x", "12345"},
      {"uin=", "#", "x?uin=12345&x", "12345&x"},
      {"uin=", "", "uin=1&2", "1&2"},
      {"nope", "&", "uin=12345&x", ""},
      {"UIN=", "&", "uin=12345&x", ""},  // exact case
      {"a", "b", "xbyaccbd", "cc"},      // end marker looked for after the start only
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextBetween(c.start, c.end, c.text), c.expected) << c.text;
  }
}

TEST(KeyUnit, IsEngineUrl) {
  EXPECT_TRUE(IsEngineUrl(std::string("http://WWW.") + "SOGOU.COM/link?url=1"));
  EXPECT_TRUE(IsEngineUrl("http://acme.cn/?from=baidu.com"));
  EXPECT_TRUE(IsEngineUrl(std::string("https://") + Search360Host + "/s?q=x"));
  EXPECT_FALSE(IsEngineUrl("http://acme.cn/contact.html"));
  // The ad host of 360 is not one of the three search domains.
  EXPECT_FALSE(IsEngineUrl(std::string("http://") + Ad360Host + "/click"));
}

TEST(KeyUnit, EngineIdentifiers) {
  EXPECT_EQ(GbkToUtf8(SourceLabel(ENGINE_BAIDU)), "百度");
  EXPECT_EQ(EngineIndexOfSource(G("搜狗")), ENGINE_SOGOU);
  EXPECT_EQ(EngineIndexOfSource("360"), ENGINE_360);
  EXPECT_EQ(EngineIndexOfSource("other"), ENGINE_BAIDU);
  EXPECT_STREQ(kEngines[ENGINE_SOGOU].lastPageColumn, "sglastpage");
  EXPECT_STREQ(kEngines[ENGINE_360].name, "360");
}

}  // namespace
}  // namespace vlmr
