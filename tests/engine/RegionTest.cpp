// Where a company is, what kind each of its numbers is, and the WeChat IDs its page writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "engine/ContactExtract.h"
#include "engine/NumberKind.h"
#include "engine/Region.h"
#include "engine/WeChatIds.h"

namespace vlmr {
namespace {

std::string G(std::string_view utf8) {
  return Utf8ToGbk(utf8);
}

TUniqueStringList List(std::initializer_list<const char*> items) {
  TUniqueStringList list;
  for (const char* item : items) {
    list.Add(item);
  }
  return list;
}

TEST(Region, SplitsTheGeocodersDescriptions) {
  struct TCase {
    const char* description;
    const char* province;
    const char* city;
  } cases[] = {
      {"广东省广州市", "广东省", "广州市"},
      {"北京市", "北京市", "北京市"},
      {"内蒙古呼和浩特市", "内蒙古", "呼和浩特市"},
      {"新疆乌鲁木齐市", "新疆", "乌鲁木齐市"},
      {"贵州省贵阳市、遵义市、安顺市", "贵州省", ""},  // several cities: the province alone
      {"中国", "", ""},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    TRegion place = SplitPlace(c.description);
    EXPECT_EQ(GbkToUtf8(place.province), c.province) << c.description;
    EXPECT_EQ(GbkToUtf8(place.city), c.city) << c.description;
  }
}

TEST(Region, PlacesNumbersByAreaCodeAndMobilePrefix) {
  struct TCase {
    const char* number;
    const char* city;
  } cases[] = {
      {"020-87654321", "广州市"},
      {"0755-12345678", "深圳市"},
      {"020-87654321转801", "广州市"},
      {"+86 769 8557 6627", "东莞市"},
      {"13812345678", "连云港市"},
      {"18600001234", "北京市"},
      {"400-812-3456", ""},
      {"800-812-3456", ""},
      {"17012345678", ""},  // the geocoder knows only the country
      {"abc", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GbkToUtf8(PlaceOfNumber(c.number).city), c.city) << c.number;
  }
  // The cache answers a prefix alike for every number under it.
  EXPECT_EQ(PlaceOfNumber("020-11111111"), PlaceOfNumber("020-87654321"));
}

TEST(Region, FollowsLandlineThenMobilesThenAddress) {
  struct TCase {
    const char* name;
    TUniqueStringList tels;
    TUniqueStringList mobiles;
    const char* address;
    const char* province;
    const char* city;
    TRegionSource source;
  } cases[] = {
      {"first landline wins over mobiles", List({"400-812-3456", "020-87654321", "0755-12345678"}),
       List({"13812345678"}), "浙江杭州", "广东省", "广州市", TRegionSource::Landline},
      {"shared area code: the mobiles' city in its province", List({"028-85551234"}),
       List({"13812345678", "18908001234"}), "", "四川省", "成都市", TRegionSource::Mobile},
      {"shared area code, mobiles elsewhere", List({"028-85551234"}), List({"13812345678"}), "",
       "四川省", "", TRegionSource::Landline},
      {"most mobiles' city",
       {},
       List({"13812345678", "18600001234", "18600001235"}),
       "",
       "北京市",
       "北京市",
       TRegionSource::Mobile},
      {"equal counts: the earliest",
       {},
       List({"13812345678", "18600001234"}),
       "",
       "江苏省",
       "连云港市",
       TRegionSource::Mobile},
      {"address province", List({"400-812-3456"}), List({"17012345678"}), "中国浙江省杭州市西湖区",
       "浙江省", "", TRegionSource::Address},
      {"address municipality", {}, {}, "上海浦东新区", "上海市", "上海市", TRegionSource::Address},
      {"nothing", {}, List({"17012345678"}), "某某路8号", "", "", TRegionSource::None},
  };
  for (const auto& c : cases) {
    TRegion region = RegionOf(c.tels, c.mobiles, G(c.address));
    EXPECT_EQ(GbkToUtf8(region.province), c.province) << c.name;
    EXPECT_EQ(GbkToUtf8(region.city), c.city) << c.name;
    EXPECT_EQ(region.source, c.source) << c.name;
  }
}

TEST(NumberKind, TypesStoredNumbers) {
  struct TCase {
    const char* number;
    TNumberKind kind;
  } cases[] = {
      {"13812345678", TNumberKind::Mobile},
      {"020-87654321", TNumberKind::Landline},
      {"0769-85576627转801", TNumberKind::Landline},
      {"400-812-3456", TNumberKind::SharedCost},
      {"4008123456", TNumberKind::SharedCost},
      {"800-812-3456", TNumberKind::TollFree},
      {"12345", TNumberKind::Other},
      {"", TNumberKind::Other},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KindOfNumber(G(c.number)), c.kind) << c.number;
  }
  EXPECT_EQ(NumberDigits(G("020-87654321转801")), "02087654321");
  EXPECT_EQ(NumberDigits("+86 20 8765 4321"), "02087654321");
}

TEST(WeChat, ReadsTheWrittenForms) {
  struct TCase {
    const char* text;
    std::vector<std::string> ids;
  } cases[] = {
      {"微信：abc_123 电话", {"abc_123"}},
      {"微信号: wx-sales88<br>", {"wx-sales88"}},
      {"WeChat: Sales_Guangzhou", {"Sales_Guangzhou"}},
      {"wechat id：gzsales01", {"gzsales01"}},
      {"微信 13812345678", {"13812345678"}},
      {"手机(微信同号)：13812345678", {std::string(kSameAsMobile)}},
      {"微信同手机号", {std::string(kSameAsMobile)}},
      {"微信公众号：gz_news_daily", {}},
      {"微信：ab1", {}},             // too short
      {"微信：1abcdefg", {}},        // an ID begins with a letter
      {"mywechat: something1", {}},  // a word, no label
      {"微信：abc_123 微信号：abc_123", {"abc_123"}},
      {"微信", {}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> expected;
    for (const auto& id : c.ids) {
      expected.push_back(G(id));
    }
    EXPECT_EQ(WeChatIds(G(c.text)), expected) << c.text;
  }
}

TEST(WeChat, SameAsMobileStoresTheMobile) {
  TRegExp re;
  TComPanyInfo record;
  ASSERT_TRUE(ExtractContacts(re, G("<p>手机：13812345678（微信同号）</p>"), record));
  EXPECT_EQ(record.wechats.Items(), std::vector<std::string>{"13812345678"});
}

}  // namespace
}  // namespace vlmr
