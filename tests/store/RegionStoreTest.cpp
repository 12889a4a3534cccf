// What the store keeps beyond a company's contacts: its region and WeChat IDs, the index of
// numbers several companies share, and the filters and exports over a keyword's companies.
#include <gtest/gtest.h>

#include <filesystem>

#include "store/NumberIndex.h"
#include "store/ResultFilter.h"
#include "store/StoreTestSupport.h"

namespace vlmr {
namespace {

using test::G;
using test::TRawDb;

// A stand-in for the engine's rule: the region is named after the first mobile's prefix.
TRegion RegionByPrefix(const TComPanyInfo& company) {
  if (company.mobiles.empty()) {
    return {};
  }
  return company.mobiles[0].starts_with("138")
             ? TRegion{G("广东省"), G("广州市"), TRegionSource::Mobile}
             : TRegion{G("北京市"), G("北京市"), TRegionSource::Mobile};
}

class RegionStore : public test::TStoreTest {
 protected:
  TKeyListInfo& OpenWithRule() {
    Open();
    Store().RegionRule = RegionByPrefix;
    return Store();
  }
  bool SaveWith(const std::string& keyword, const std::string& name,
                std::vector<std::string> mobiles, std::vector<std::string> tels = {}) {
    std::size_t before = saved_.size();
    Store().SaveCompany(keyword, Company(name, std::move(mobiles), std::move(tels)));
    return saved_.size() == before + 1;
  }
};

TEST_F(RegionStore, AFileOfThePreviousVersionIsUpgradedInPlace) {
  std::filesystem::create_directories(DataFolder());
  {
    TRawDb raw(DatabasePath());
    // The layout the previous version wrote, with its version recorded.
    raw.Exec(
        "create table tbl_key(ID INTEGER PRIMARY KEY AUTOINCREMENT,KeyStr TEXT,listcount "
        "INTEGER,lastpage INTEGER,sglastpage NUMERIC,s360lastpage NUMERIC,adddate NUMERIC)");
    raw.Exec(
        "create table tbl_list(ListID INTEGER PRIMARY KEY AUTOINCREMENT,ComName TEXT,Addr "
        "TEXT,weburl TEXT,EMail TEXT,Tel TEXT,mob TEXT,qq TEXT,source TEXT,ispay NUMERIC,stat "
        "INTEGER,keyid INTEGER,renzheng NUMERIC)");
    raw.Exec("pragma user_version=1");
    raw.Exec("insert into tbl_key values(3, 'k', 4, 7, 2, 1, 500)");
    // Three names share the platform's number 18600000000; two rows of one name count once.
    raw.Exec(
        "insert into tbl_list values(20, 'A', '天河路1号', 'http://a.cn', 'a@a.cn', "
        "'020-87654321' || char(13,10), '13800000001' || char(13,10) || '18600000000', '12345', "
        "'百度', 1, 0, 3, 1)");
    raw.Exec(
        "insert into tbl_list values(21, 'B', '', '', '', '', '18600000000', '', '360', 0, 0, 3, "
        "0)");
    raw.Exec(
        "insert into tbl_list values(22, 'C', '', '', '', '', '13900000000|18600000000', '', "
        "'', 0, 0, 3, 0)");
    raw.Exec(
        "insert into tbl_list values(23, 'B', '', '', '', '', '18600000009', '', '', 0, 0, 3, "
        "0)");
  }
  OpenWithRule();
  {
    TRawDb raw(DatabasePath());
    EXPECT_EQ(raw.Value("pragma user_version"), "2");
    EXPECT_EQ(raw.Value("select count(*) from tbl_list"), "4");
    EXPECT_EQ(raw.Value("select count(*) from tbl_number"), "7");
    EXPECT_EQ(raw.Value("select group_concat(num) from tbl_shared"), "18600000000");
  }
  EXPECT_EQ(Store().SharedNumbers(), (TSharedNumbers{"18600000000"}));
  EXPECT_TRUE(Store().IsSharedNumber("186 0000 0000"));
  EXPECT_FALSE(Store().IsSharedNumber("020-87654321"));

  TKeyData* k = Store().FindKeyword("k");
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->LastPage, 7);
  EXPECT_EQ(k->SgLastPage, 2);
  ASSERT_TRUE(LoadAndWait("k"));
  const TCompanyList& list = *Store().CompanyListOf("k");
  ASSERT_EQ(list.size(), 4u);
  const TComPanyInfo& a = *list[0];
  EXPECT_EQ(a.GetComName(), "A");
  EXPECT_EQ(a.address, G("天河路1号"));
  EXPECT_EQ(a.webUrl, "http://a.cn");
  EXPECT_EQ(a.emails.Items(), std::vector<std::string>{"a@a.cn"});
  EXPECT_EQ(a.tels.Items(), std::vector<std::string>{"020-87654321"});
  EXPECT_EQ(a.mobiles.Items(), (std::vector<std::string>{"13800000001", "18600000000"}));
  EXPECT_EQ(a.qqs.Items(), std::vector<std::string>{"12345"});
  EXPECT_EQ(a.source, G("百度"));
  EXPECT_EQ(a.isPay, 1);
  EXPECT_EQ(a.renZheng, 1);
  // Rows from before regions get theirs as they load.
  EXPECT_EQ(a.region, (TRegion{G("广东省"), G("广州市"), TRegionSource::Mobile}));
  EXPECT_EQ(list[1]->region.city, G("北京市"));

  // A second start does not index again.
  Open();
  EXPECT_EQ(TRawDb(DatabasePath()).Value("select count(*) from tbl_number"), "7");
}

TEST_F(RegionStore, ASavedCompanyKeepsItsRegionAndWeChat) {
  OpenWithRule();
  Store().AddKeyword("k");
  TComPanyInfo company = Company("A", {"13812345678"});
  company.AddWeChat("abc_123");
  Store().SaveCompany("k", company);
  TComPanyInfo placed = Company("B", {"13812345679"});
  placed.region = {G("浙江省"), "", TRegionSource::Address};  // a region found already stays
  Store().SaveCompany("k", placed);
  ASSERT_EQ(saved_.size(), 2u);

  Open();  // no rule: what is read is what was stored
  ASSERT_TRUE(LoadAndWait("k"));
  const TCompanyList& list = *Store().CompanyListOf("k");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]->region, (TRegion{G("广东省"), G("广州市"), TRegionSource::Mobile}));
  EXPECT_EQ(list[0]->wechats.Items(), std::vector<std::string>{"abc_123"});
  EXPECT_EQ(list[1]->region, (TRegion{G("浙江省"), "", TRegionSource::Address}));
}

TEST_F(RegionStore, ANumberIsSharedOnceThreeDifferentNamesHoldIt) {
  struct TCase {
    const char* name;
    std::vector<std::string> names;  // each holds the number
    bool shared;
  } cases[] = {
      {"two names", {"A", "B"}, false},
      {"three names", {"A", "B", "C"}, true},
      {"one name three times", {"A", "A", " A "}, false},
      {"two names, one of them twice", {"A", "B", "A"}, false},
  };
  std::filesystem::create_directories(DataFolder());
  int file = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TSQLiteDatabase database(DataFolder() + "/index" + std::to_string(++file));
    CreateNumberIndex(database);
    TSharedNumbers shared;
    for (const auto& name : c.names) {
      for (auto& number :
           AddToNumberIndex(database, name, {"02087654321", "13800000001"}, shared)) {
        shared.insert(std::move(number));
      }
    }
    EXPECT_EQ(shared.count("02087654321") == 1, c.shared);
    EXPECT_EQ(ReadSharedNumbers(database), shared);
  }
}

TEST_F(RegionStore, SavesAndDeletesKeepTheSharedNumbersCurrent) {
  OpenWithRule();
  Store().AddKeyword("k1");
  Store().AddKeyword("k2");
  ASSERT_TRUE(SaveWith("k1", "A", {"13800000001"}, {"020-87654321"}));
  ASSERT_TRUE(SaveWith("k1", "B", {"13800000002"}, {"(020)87654321"}));
  EXPECT_TRUE(Store().SharedNumbers().empty());
  ASSERT_TRUE(SaveWith("k2", "C", {"13800000003"}, {"020-87654321转801"}));
  EXPECT_EQ(Store().SharedNumbers(), (TSharedNumbers{"02087654321"}));

  // The count survives a restart, and a deleted company no longer counts.
  Open();
  EXPECT_EQ(Store().SharedNumbers(), (TSharedNumbers{"02087654321"}));
  ASSERT_TRUE(LoadAndWait("k2"));
  Store().DeleteCompany("k2", (*Store().CompanyListOf("k2"))[0]->listId);
  EXPECT_TRUE(Store().SharedNumbers().empty());
  ASSERT_TRUE(SaveWith("k2", "D", {"13800000004"}, {"020-87654321"}));
  EXPECT_FALSE(Store().SharedNumbers().empty());
  Store().DeleteKeyword("k1");
  EXPECT_TRUE(Store().SharedNumbers().empty());
  Open();
  EXPECT_TRUE(Store().SharedNumbers().empty());
  EXPECT_EQ(TRawDb(DatabasePath()).Value("select count(*) from tbl_number"), "2");
}

// ---- filters ----------------------------------------------------------------------------------

class ResultFilters : public test::TStoreTest {
 protected:
  void SetUp() override {
    test::TStoreTest::SetUp();
    auto add = [this](const char* name, const char* province, const char* city, const char* source,
                      std::vector<std::string> mobiles, std::vector<std::string> tels,
                      const char* email, const char* wechat) {
      auto company = std::make_shared<TComPanyInfo>(Company(G(name), mobiles, tels));
      company->listId = std::to_string(list_.size() + 1);
      company->region = {G(province), G(city), TRegionSource::Landline};
      company->source = G(source);
      if (*email) {
        company->AddEmail(email);
      }
      if (*wechat) {
        company->AddWeChat(wechat);
      }
      list_.Add(company);
    };
    add("广州甲电子公司", "广东省", "广州市", "百度", {"13800000001"}, {"020-87654321"}, "a@a.cn",
        "");
    add("深圳乙科技", "广东省", "深圳市", "360", {"18600000000"}, {}, "", "wx_abcdef");
    add("Beijing Shoes", "北京市", "北京市", "百度", {"18600000000", "13800000003"}, {}, "", "");
    add("无地区公司", "", "", "搜狗", {"13800000004"}, {"400-812-3456"}, "d@d.cn", "");
    add("广东某公司", "广东省", "", "百度", {"18600000000"}, {"400-812-3456"}, "", "");
  }

  std::vector<std::string> Names(const TResultFilter& filter) {
    std::vector<std::string> names;
    for (const auto& company : FilterCompanies(list_, filter, shared_)) {
      names.push_back(GbkToUtf8(company->GetComName()));
    }
    EXPECT_EQ(CountMatches(list_, filter, shared_), names.size());
    return names;
  }

  TCompanyList list_;
  TSharedNumbers shared_{"18600000000", "4008123456"};
};

TEST_F(ResultFilters, EachCriterionAndTheirCombination) {
  auto filter = [](auto set) {
    TResultFilter f;
    set(f);
    return f;
  };
  using TNames = std::vector<std::string>;
  struct TCase {
    const char* name;
    TResultFilter filter;
    TNames expected;
  } cases[] = {
      {"none", {}, {"广州甲电子公司", "深圳乙科技", "Beijing Shoes", "无地区公司", "广东某公司"}},
      {"province",
       filter([](auto& f) { f.province = G("广东省"); }),
       {"广州甲电子公司", "深圳乙科技", "广东某公司"}},
      {"city",
       filter([](auto& f) { f.province = G("广东省"), f.city = G("深圳市"); }),
       {"深圳乙科技"}},
      {"source",
       filter([](auto& f) { f.source = G("百度"); }),
       {"广州甲电子公司", "Beijing Shoes", "广东某公司"}},
      {"landline",
       filter([](auto& f) { f.hasLandline = true; }),
       {"广州甲电子公司", "无地区公司", "广东某公司"}},
      {"e-mail", filter([](auto& f) { f.hasEmail = true; }), {"广州甲电子公司", "无地区公司"}},
      {"wechat", filter([](auto& f) { f.hasWeChat = true; }), {"深圳乙科技"}},
      {"no company whose numbers are all shared",
       filter([](auto& f) { f.noShared = true; }),
       {"广州甲电子公司", "Beijing Shoes", "无地区公司"}},
      {"name, Latin case ignored", filter([](auto& f) { f.name = "shoes"; }), {"Beijing Shoes"}},
      {"name in Chinese", filter([](auto& f) { f.name = G("电子"); }), {"广州甲电子公司"}},
      {"combined",
       filter([](auto& f) { f.province = G("广东省"), f.hasLandline = true; }),
       {"广州甲电子公司", "广东某公司"}},
      {"nothing matches", filter([](auto& f) { f.name = "zzz"; }), {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.filter.Active(), std::string(c.name) != "none") << c.name;
    EXPECT_EQ(Names(c.filter), c.expected) << c.name;
  }
}

TEST_F(ResultFilters, RegionCountsListProvincesAndCitiesByCount) {
  auto counts = RegionCounts(list_);
  ASSERT_EQ(counts.size(), 2u);  // the company without a region is not counted
  EXPECT_EQ(counts[0].province, G("广东省"));
  EXPECT_EQ(counts[0].count, 3u);
  ASSERT_EQ(counts[0].cities.size(), 2u);  // one has no city
  EXPECT_EQ(counts[0].cities[0].count, 1u);
  EXPECT_EQ(counts[1].province, G("北京市"));
  EXPECT_EQ(counts[1].count, 1u);
  EXPECT_TRUE(RegionCounts(TCompanyList()).empty());
}

TEST_F(ResultFilters, ARegionIsNamedWithOrWithoutItsSuffix) {
  const auto counts = RegionCounts(list_);
  struct TCase {
    const char* text;
    const char* province;
    const char* city;
  } cases[] = {
      {"广东", "广东省", ""}, {"广东省", "广东省", ""}, {"深圳", "广东省", "深圳市"},
      {"北京", "北京市", ""}, {"北京市", "北京市", ""}, {"广", nullptr, nullptr},
      {"", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    TResultFilter filter;
    const bool found = ResolveRegion(counts, G(c.text), filter);
    EXPECT_EQ(found, c.province != nullptr) << c.text;
    if (found) {
      EXPECT_EQ(filter.province, G(c.province)) << c.text;
      EXPECT_EQ(filter.city, G(c.city)) << c.text;
    }
  }
}

TEST_F(ResultFilters, AnExportWithoutSharedNumbersDropsThemAndTheCompaniesLeftWithNone) {
  auto rows = ExportSelection(list_, {}, true, shared_);
  std::vector<std::string> mobiles;
  for (const auto& company : rows) {
    mobiles.push_back(company->mobiles.TextForm());
  }
  EXPECT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1]->mobiles.Items(), std::vector<std::string>{"13800000003"});
  EXPECT_TRUE(rows[2]->tels.empty());  // the 400 number was shared
  // The list itself is untouched.
  EXPECT_EQ(list_[2]->mobiles.size(), 2u);
  EXPECT_EQ(ExportSelection(list_, {}, false, shared_).size(), 5u);
}

TEST_F(RegionStore, AFilteredExportWritesOnlyTheMatchingCompanies) {
  OpenWithRule();
  Store().AddKeyword("k");
  ASSERT_TRUE(SaveWith("k", "A", {"13800000001"}));
  ASSERT_TRUE(SaveWith("k", "B", {"18600000001"}));
  std::vector<std::string> written;
  Store().ExportWriter = [&](const TKeyData& record, const std::string&, const TExportFields&,
                             TExportFormat) {
    written.clear();
    for (const auto& company : record.Companies) {
      written.push_back(company->GetComName());
    }
    return true;
  };
  TExportFields fields;
  fields.company = true;
  TResultFilter beijing;
  beijing.province = G("北京市");
  ASSERT_TRUE(Store().ExportKeyword("k", "out.txt", fields, TExportFormat::Text, beijing));
  EXPECT_EQ(written, std::vector<std::string>{"B"});
  ASSERT_TRUE(Store().ExportKeyword("k", "out.txt", fields, TExportFormat::Text));
  EXPECT_EQ(written, (std::vector<std::string>{"A", "B"}));
  TResultFilter none;
  none.name = "zzz";
  EXPECT_FALSE(Store().ExportKeyword("k", "out.txt", fields, TExportFormat::Text, none));
}

}  // namespace
}  // namespace vlmr
