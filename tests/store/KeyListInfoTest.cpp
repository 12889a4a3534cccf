#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "store/StoreTestSupport.h"

namespace vlmr {
namespace {

using test::G;
using test::TRawDb;

class KeyStore : public test::TStoreTest {};

// ---- the database file ----------------------------------------------------------------------

TEST_F(KeyStore, ANewFolderGetsTheFileTablesAndIndexes) {
  ASSERT_FALSE(std::filesystem::exists(DataFolder()));
  Open();
  ASSERT_TRUE(std::filesystem::exists(DatabasePath()));
  TRawDb raw(DatabasePath());
  EXPECT_EQ(raw.Value("select count(*) from sqlite_master where type='table' and "
                      "name in ('tbl_key','tbl_list')"),
            "2");
  // The lookups by name, by keyword id and by keyword text use an index, not a scan.
  const std::pair<const char*, const char*> plans[] = {
      {"select listid from tbl_list where ComName='x'", "idx_list_comname"},
      {"select * from tbl_list where keyid=1", "idx_list_keyid"},
      {"select ID from tbl_key where KeyStr='x'", "idx_key_keystr"},
  };
  for (const auto& [query, index] : plans) {
    auto plan = raw.Rows(std::string("explain query plan ") + query);
    ASSERT_FALSE(plan.empty());
    EXPECT_NE(plan[0].back().value_or("").find(index), std::string::npos) << query;
  }
}

TEST_F(KeyStore, TheUpgradeGoesByTheRealColumnsNotByTheTableText) {
  std::filesystem::create_directories(DataFolder());
  {
    TRawDb raw(DatabasePath());
    // "qq" and "source" appear in the creation text, but only inside other names and a default.
    raw.Exec(
        "create table tbl_list(ListID integer primary key, ComName text default 'source', "
        "Addr text, weburl text, EMail text, Tel text, mob text, qqgroup text, stat integer, "
        "keyid integer, ispay numeric, renzheng numeric)");
    raw.Exec("insert into tbl_list(ComName, mob, keyid) values('A', '13800000001', 1)");
  }
  Open();
  TRawDb raw(DatabasePath());
  std::vector<std::string> columns;
  for (const auto& row : raw.Rows("select name from pragma_table_info('tbl_list')"))
    columns.push_back(row[0].value_or(""));
  for (const char* column : {"qq", "source"})
    EXPECT_NE(std::find(columns.begin(), columns.end(), column), columns.end()) << column;
  EXPECT_EQ(raw.Value("pragma user_version"), "2");
  // Recorded once: a later start finds the version and changes nothing.
  raw.Exec("alter table tbl_list add extra text");
  Open();
  EXPECT_EQ(raw.Value("select count(*) from pragma_table_info('tbl_list')"),
            std::to_string(columns.size() + 1));
}

TEST_F(KeyStore, AFileOfTheOlderLayoutIsUpgradedAndKeepsEveryRow) {
  std::filesystem::create_directories(DataFolder());
  {
    TRawDb raw(DatabasePath());
    raw.Exec(
        "create table tbl_key(ID integer primary key, KeyStr varchar(100), listcount integer, "
        "lastpage integer)");
    raw.Exec(
        "create table tbl_list(ListID integer primary key, ComName varchar(200), Addr "
        "varchar(200), weburl varchar(200), EMail text, Tel text, mob text, stat integer, "
        "keyid varchar(20))");
    raw.Exec("insert into tbl_key values(4, '广州 电子公司', 2, 6)");
    raw.Exec("insert into tbl_key values(9, 'shoes', 1, 0)");
    raw.Exec(
        "insert into tbl_list values(10, '广州甲公司', '天河路1号', 'http://a.cn', "
        "'a@a.cn' || char(13,10), '020-1' || char(13,10), '13800000001|13800000002', 0, '4')");
    raw.Exec(
        "insert into tbl_list values(11, 'Joe''s', '', '', '', '', '13800000003' || char(13,10), "
        "0, '4')");
    raw.Exec("insert into tbl_list values(12, 'S', '', '', '', '', '13800000004', 0, '9')");
  }
  Open();
  {
    TRawDb raw(DatabasePath());
    std::string keySql = raw.Value("select sql from sqlite_master where name='tbl_key'");
    std::string listSql = raw.Value("select sql from sqlite_master where name='tbl_list'");
    for (const char* column : {"sglastpage", "s360lastpage", "adddate"}) {
      EXPECT_NE(keySql.find(column), std::string::npos) << column;
    }
    for (const char* column : {"source", "ispay", "renzheng", "qq"}) {
      EXPECT_NE(listSql.find(column), std::string::npos) << column;
    }
    EXPECT_EQ(raw.Value("select count(*) from sqlite_master where type='index' and name like "
                        "'idx_%'"),
              "4");
    EXPECT_EQ(raw.Value("select count(*) from tbl_list"), "3");
    EXPECT_EQ(raw.Value("pragma user_version"), "2");
  }

  ASSERT_EQ(added_, (std::vector<std::string>{G("广州 电子公司"), "shoes"}));
  TKeyData* first = Store().FindKeyword(G("广州 电子公司"));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Id, "4");
  EXPECT_EQ(first->ListCount, 2);
  EXPECT_EQ(first->LastPage, 6);
  EXPECT_EQ(first->SgLastPage, 0);
  EXPECT_EQ(first->AddDate, 0);
  EXPECT_EQ(Store().TotalCompanyCount(), 3);

  ASSERT_TRUE(LoadAndWait(first->Keyword));
  ASSERT_EQ(NamesOf(first->Keyword), (std::vector<std::string>{G("广州甲公司"), "Joe's"}));
  const TComPanyInfo& a = *(*Store().CompanyListOf(first->Keyword))[0];
  EXPECT_EQ(a.listId, "10");
  EXPECT_EQ(a.address, G("天河路1号"));
  EXPECT_EQ(a.mobiles.Items(), (std::vector<std::string>{"13800000001", "13800000002"}));
  EXPECT_EQ(a.tels.Items(), (std::vector<std::string>{"020-1"}));
  EXPECT_TRUE(a.qqs.empty());
  EXPECT_EQ(a.isPay, 0);

  // The upgraded file takes new companies, duplicates still refused against the old rows.
  ASSERT_TRUE(LoadAndWait("shoes"));
  EXPECT_FALSE(Save("shoes", "Joe's"));
  EXPECT_TRUE(Save("shoes", "New"));
  EXPECT_EQ(saved_.back().second->listId, "13");

  // Opening it again changes nothing.
  Open();
  TRawDb raw(DatabasePath());
  EXPECT_EQ(raw.Value("select count(*) from tbl_list"), "4");
  EXPECT_EQ(Store().FindKeyword("shoes")->ListCount, 2);
}

TEST_F(KeyStore, AFileThatIsNotADatabaseIsReportedAndLeftAlone) {
  std::filesystem::create_directories(DataFolder());
  const std::string garbage(4096, 'x');
  std::ofstream(DatabasePath(), std::ios::binary) << garbage;
  try {
    Open();
    FAIL() << "opened";
  } catch (const ESQLiteException& e) {
    EXPECT_NE(std::string(e.what()).find("File opened that is not a database file"),
              std::string::npos)
        << e.what();
  }
  std::ifstream in(DatabasePath(), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), garbage);
}

// ---- keywords -------------------------------------------------------------------------------

TEST_F(KeyStore, AddKeywordInsertsOnceIgnoringLatinCase) {
  Open();
  now_ = 1700000123;
  TKeyData* abc = Store().AddKeyword("Abc");
  ASSERT_NE(abc, nullptr);
  EXPECT_EQ(added_, std::vector<std::string>{"Abc"});
  EXPECT_EQ(Store().AddKeyword("aBC"), abc);
  EXPECT_EQ(Store().FindKeyword("ABC"), abc);
  EXPECT_EQ(Store().AddKeyword(""), nullptr);
  EXPECT_EQ(added_.size(), 1u);

  TRawDb raw(DatabasePath());
  auto rows = raw.Rows(
      "select ID, KeyStr, listcount, lastpage, sglastpage, s360lastpage, "
      "adddate from tbl_key");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(*rows[0][0], abc->Id);
  EXPECT_EQ(rows[0][1], "Abc");
  for (int i = 2; i <= 5; ++i) {
    EXPECT_EQ(rows[0][static_cast<std::size_t>(i)], "0");
  }
  EXPECT_EQ(rows[0][6], "1700000123");
  EXPECT_EQ(abc->AddDate, 1700000123);
  EXPECT_EQ(Store().LookupKeywordId("Abc"), abc->Id);
  EXPECT_EQ(Store().LookupKeywordId("nothing"), "0");
}

TEST_F(KeyStore, KeywordsAndTheirProgressSurviveARestart) {
  Open();
  const std::string chinese = G("上海 网络公司");
  const std::string quoted = "it's";
  Store().AddKeyword(chinese);
  Store().AddKeyword(quoted);
  ASSERT_TRUE(Save(chinese, "A"));
  ASSERT_TRUE(Save(chinese, "B"));
  now_ = 2000;
  ASSERT_TRUE(Save(quoted, "C"));
  EXPECT_TRUE(Store().RecordPageReport(chinese, 3, ENGINE_BAIDU));
  EXPECT_TRUE(Store().RecordPageReport(chinese, 2, ENGINE_SOGOU));
  EXPECT_TRUE(Store().RecordPageReport(chinese, 5, ENGINE_360));
  std::string idChinese = Store().FindKeyword(chinese)->Id;

  added_.clear();
  Open();
  ASSERT_EQ(added_, (std::vector<std::string>{chinese, quoted}));
  const TKeyData& k = *Store().FindKeyword(chinese);
  EXPECT_EQ(k.Id, idChinese);
  EXPECT_EQ(k.ListCount, 2);
  EXPECT_EQ(k.AddDate, 1000);
  EXPECT_EQ(k.LastPage, 3);
  EXPECT_EQ(k.SgLastPage, 2);
  EXPECT_EQ(k.S360LastPage, 5);
  EXPECT_FALSE(k.LoadStarted);
  EXPECT_EQ(k.PageReportsSinceSave, 0);
  EXPECT_EQ(Store().FindKeyword(quoted)->AddDate, 2000);
  EXPECT_EQ(Store().TotalCompanyCount(), 3);
}

TEST_F(KeyStore, AKeywordWhoseRowCannotBeWrittenIsRefused) {
  Open();
  TRawDb raw(DatabasePath());
  raw.Exec("create trigger no_key before insert on tbl_key begin select raise(abort, 'no'); end");
  EXPECT_EQ(Store().AddKeyword("lost"), nullptr);
  EXPECT_EQ(Store().FindKeyword("lost"), nullptr);
  EXPECT_TRUE(added_.empty());
}

// ---- companies ------------------------------------------------------------------------------

TEST_F(KeyStore, OnlyCompaniesWithAMobileNumberOfAKnownKeywordAreStored) {
  Open();
  Store().AddKeyword("k");
  TComPanyInfo noMobile = Company("NoMobile", {}, {"020-12345678"});
  noMobile.AddEmail("a@b.cn");
  noMobile.AddQQ("12345");
  Store().SaveCompany("k", noMobile);
  Store().SaveCompany("unknown", Company("Elsewhere", {"13800000000"}));
  EXPECT_TRUE(saved_.empty());
  TRawDb raw(DatabasePath());
  EXPECT_EQ(raw.Value("select count(*) from tbl_list"), "0");
}

TEST_F(KeyStore, AStoredCompanyIsACopyWithItsColumnsInUtf8) {
  Open();
  TKeyData* k = Store().AddKeyword("k");
  TComPanyInfo reported = Company(G("深圳乙公司"), {"13800000001", "13900000002"}, {"0755-1"});
  reported.keyword = "k";
  reported.address = G("南山区");
  reported.webUrl = "http://b.cn/";
  reported.AddEmail("x@b.cn");
  reported.AddQQ("10001");
  reported.AddQQ("10002");
  reported.source = SourceLabel(ENGINE_SOGOU);
  reported.isPay = 1;
  reported.renZheng = 1;
  now_ = 5555;
  Store().SaveCompany("k", reported);

  ASSERT_EQ(saved_.size(), 1u);
  const auto& [keyword, copy] = saved_[0];
  EXPECT_EQ(keyword, "k");
  EXPECT_EQ(copy->keyword, "");  // a copy: the caller's record is not kept
  ASSERT_EQ(k->Companies.size(), 1u);
  EXPECT_EQ(k->Companies[0], copy);
  EXPECT_EQ(k->Companies.Find(copy->listId), copy.get());
  EXPECT_EQ(k->ListCount, 1);
  EXPECT_EQ(k->AddDate, 5555);

  TRawDb raw(DatabasePath());
  auto rows = raw.Rows(
      "select ListID, ComName, Addr, weburl, EMail, Tel, mob, qq, source, ispay, stat, keyid, "
      "renzheng from tbl_list");
  ASSERT_EQ(rows.size(), 1u);
  const std::vector<std::optional<std::string>> expected = {copy->listId,
                                                            "深圳乙公司",
                                                            "南山区",
                                                            "http://b.cn/",
                                                            "x@b.cn\r\n",
                                                            "0755-1\r\n",
                                                            "13800000001\r\n13900000002\r\n",
                                                            "10001\r\n10002\r\n",
                                                            "搜狗",
                                                            "1",
                                                            "0",
                                                            k->Id,
                                                            "1"};
  EXPECT_EQ(rows[0], expected);
  EXPECT_EQ(raw.Value("select listcount || '/' || adddate from tbl_key"), "1/5555");
}

struct TDuplicateCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> saves;  // keyword, company name
  std::vector<bool> stored;
};

TEST_F(KeyStore, ACompanyNameIsStoredOnceAcrossAllKeywords) {
  const TDuplicateCase cases[] = {
      {"same name under two keywords", {{"k1", "A"}, {"k2", "A"}}, {true, false}},
      {"two records without a name", {{"k1", ""}, {"k2", ""}}, {true, false}},
      {"a name with a single quote", {{"k1", "Joe's"}, {"k2", "Joe's"}}, {true, false}},
      {"names equal once cleaned", {{"k1", "A-B"}, {"k2", G("A_B联系我们")}}, {true, false}},
      {"different names", {{"k1", "A"}, {"k1", "B"}}, {true, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    saved_.clear();
    Open();
    Store().DeleteAllKeywords();
    Store().AddKeyword("k1");
    Store().AddKeyword("k2");
    std::vector<bool> stored;
    for (const auto& [keyword, name] : c.saves) {
      stored.push_back(Save(keyword, name));
    }
    EXPECT_EQ(stored, c.stored);
    TRawDb raw(DatabasePath());
    EXPECT_EQ(raw.Value("select count(*) from tbl_list"),
              std::to_string(std::count(c.stored.begin(), c.stored.end(), true)));
  }
  // The nameless company is stored under a single blank.
  Open();
  Store().DeleteAllKeywords();
  Store().AddKeyword("k");
  ASSERT_TRUE(Save("k", ""));
  EXPECT_EQ(TRawDb(DatabasePath()).Value("select '[' || ComName || ']' from tbl_list"), "[ ]");
}

TEST_F(KeyStore, AFailedInsertStoresNothingAndNeverBorrowsAnotherId) {
  Open();
  TKeyData* k = Store().AddKeyword("k");
  ASSERT_TRUE(Save("k", "First"));
  std::string firstId = saved_[0].second->listId;
  EXPECT_TRUE(Store().RecordPageReport("k", 1, ENGINE_BAIDU));
  {
    TRawDb raw(DatabasePath());
    raw.Exec(
        "create trigger refuse before insert on tbl_list when new.ComName = 'Bad' "
        "begin select raise(abort, 'refused'); end");
  }
  EXPECT_FALSE(Save("k", "Bad"));
  EXPECT_EQ(k->Companies.size(), 1u);
  EXPECT_EQ(k->PageReportsSinceSave, 1);  // nothing was saved: the count goes on

  ASSERT_TRUE(Save("k", "Next"));
  std::string nextId = saved_.back().second->listId;
  EXPECT_NE(nextId, firstId);
  TRawDb raw(DatabasePath());
  EXPECT_EQ(raw.Value("select ComName from tbl_list where ListID=" + nextId), "Next");
  // Deleting by the new record's id removes that company and no other.
  Store().DeleteCompany("k", nextId);
  EXPECT_EQ(raw.Value("select ComName from tbl_list"), "First");
}

TEST_F(KeyStore, WhileAnotherWriterHoldsTheFileNothingIsStoredAndNothingIsLost) {
  Open();
  Store().AddKeyword("k");
  ASSERT_TRUE(Save("k", "A"));
  {
    TRawDb other(DatabasePath());
    other.Exec("begin exclusive");
    other.Exec("insert into tbl_list(ComName) values('held')");
    // Reads go on (the write-ahead log); the insert is refused at once.
    EXPECT_FALSE(Save("k", "B"));
    EXPECT_EQ(NamesOf("k"), std::vector<std::string>{"A"});
    EXPECT_EQ(Store().FindKeyword("k")->ListCount, 1);
    other.Exec("rollback");
  }
  EXPECT_TRUE(Save("k", "B"));
  EXPECT_EQ(TRawDb(DatabasePath()).Value("select group_concat(ComName) from tbl_list"), "A,B");
}

// ---- page reports ---------------------------------------------------------------------------

TEST_F(KeyStore, AfterThreeReportsWithoutANewCompanyTheFourthIsRefused) {
  Open();
  TKeyData* k = Store().AddKeyword("k");
  Store().AddKeyword("other");
  ASSERT_TRUE(Save("k", "A"));
  TRawDb raw(DatabasePath());
  auto pages = [&] {
    return raw.Value(
        "select lastpage || ',' || sglastpage || ',' || s360lastpage from tbl_key "
        "where ID=" +
        k->Id);
  };

  EXPECT_TRUE(Store().RecordPageReport("k", 1, ENGINE_BAIDU));
  EXPECT_TRUE(Store().RecordPageReport("k", 4, ENGINE_SOGOU));
  EXPECT_TRUE(Store().RecordPageReport("k", 2, ENGINE_BAIDU));
  EXPECT_EQ(pages(), "2,4,0");
  EXPECT_FALSE(Store().RecordPageReport("k", 3, ENGINE_BAIDU));
  EXPECT_EQ(pages(), "2,4,0");
  EXPECT_EQ(k->LastPage, 2);

  // Another keyword's saves change nothing; a save of this keyword (any engine) resets it.
  ASSERT_TRUE(Save("other", "B"));
  EXPECT_FALSE(Store().RecordPageReport("k", 3, ENGINE_BAIDU));
  ASSERT_TRUE(Save("k", "C"));
  EXPECT_TRUE(Store().RecordPageReport("k", 7, ENGINE_360));
  EXPECT_EQ(pages(), "2,4,7");
  EXPECT_EQ(k->S360LastPage, 7);
  EXPECT_FALSE(Store().RecordPageReport("unknown", 1, ENGINE_BAIDU));
}

TEST_F(KeyStore, StoreLastPageWritesTheColumnOnly) {
  Open();
  TKeyData* k = Store().AddKeyword("it's");
  Store().StoreLastPage("it's", 9, ENGINE_SOGOU);
  EXPECT_EQ(TRawDb(DatabasePath()).Value("select sglastpage from tbl_key"), "9");
  EXPECT_EQ(k->SgLastPage, 0);
  EXPECT_EQ(k->PageReportsSinceSave, 0);
}

// ---- requests, loading and pending actions --------------------------------------------------

TEST_F(KeyStore, AStopRequestOnAnUnloadedKeywordStartsNoLoad) {
  Open();
  Store().AddKeyword("k");
  EXPECT_EQ(Store().RequestKeyword("k", TPendingAction::Stop), nullptr);
  EXPECT_EQ(TWorkerRegistry::Count(), 0);
  EXPECT_FALSE(Store().FindKeyword("k")->LoadStarted);
  ui_->ProcessEvents();
  EXPECT_TRUE(loaded_.empty());
  EXPECT_EQ(Store().TakePendingAction("k"), TPendingAction::Stop);
  EXPECT_EQ(Store().RequestKeyword("unknown", TPendingAction::Start), nullptr);
  EXPECT_EQ(Store().TakePendingAction("unknown"), TPendingAction::Show);
}

TEST_F(KeyStore, AStartRequestLoadsFirstAndKeepsTheActionForTheEvent) {
  Open();
  Store().AddKeyword("k");
  ASSERT_TRUE(Save("k", "A"));
  Open();  // a new run: "k" has one stored company, not loaded
  EXPECT_EQ(Store().RequestKeyword("k", TPendingAction::Start), nullptr);
  EXPECT_TRUE(Store().FindKeyword("k")->LoadStarted);
  ASSERT_TRUE(PumpUntil([&] { return !loaded_.empty(); }));
  EXPECT_EQ(loaded_, std::vector<std::string>{"k"});
  EXPECT_EQ(NamesOf("k"), std::vector<std::string>{"A"});
  EXPECT_EQ(Store().TakePendingAction("k"), TPendingAction::Start);
  EXPECT_EQ(Store().TakePendingAction("k"), TPendingAction::Show);
  EXPECT_EQ(Store().RequestKeyword("k", TPendingAction::Export), Store().FindKeyword("k"));
}

TEST_F(KeyStore, LoadingAFilledListAnswersAtOnce) {
  Open();
  Store().AddKeyword("k");
  ASSERT_TRUE(Save("k", "A"));
  Store().LoadCompanies("k");
  EXPECT_EQ(loaded_, std::vector<std::string>{"k"});
  EXPECT_EQ(TWorkerRegistry::Count(), 0);
  // The event's handler asking again gets the record instead of a second load.
  EXPECT_NE(Store().RequestKeyword("k", TPendingAction::Start), nullptr);
  Store().LoadCompanies("unknown");
  EXPECT_EQ(loaded_.size(), 1u);
}

TEST_F(KeyStore, ASaveThatFailsWritesNothingAndSaysWhy) {
  Open();
  TKeyData* k = Store().AddKeyword("k");
  ASSERT_TRUE(Save("k", "A"));
  {
    // The keyword's count cannot be written: the company must not be kept either.
    TRawDb raw(DatabasePath());
    raw.Exec(
        "create trigger refuse before update of listcount on tbl_key "
        "begin select raise(abort, 'count refused'); end");
  }
  const TStoreResult result = Store().SaveCompany("k", Company("B", {"13800000001"}));
  EXPECT_FALSE(result);
  EXPECT_NE(result.error.find("count refused"), std::string::npos) << result.error;
  EXPECT_EQ(saved_.size(), 1u);
  EXPECT_EQ(k->ListCount, 1);
  EXPECT_EQ(NamesOf("k"), std::vector<std::string>{"A"});
  TRawDb raw(DatabasePath());
  EXPECT_EQ(raw.Value("select count(*) from tbl_list"), "1");
  EXPECT_EQ(raw.Value("select listcount from tbl_key"), "1");
  raw.Exec("drop trigger refuse");
  // The next save goes through as if nothing had happened.
  EXPECT_TRUE(Store().SaveCompany("k", Company("B", {"13800000001"})));
  EXPECT_EQ(k->ListCount, 2);
  EXPECT_EQ(raw.Value("select listcount from tbl_key"), "2");
}

// ---- deleting -------------------------------------------------------------------------------

TEST_F(KeyStore, DeleteCompanyRemovesTheRowAndTheEntry) {
  Open();
  TKeyData* k = Store().AddKeyword("k");
  ASSERT_TRUE(Save("k", "A"));
  ASSERT_TRUE(Save("k", "B"));
  std::shared_ptr<TComPanyInfo> a = saved_[0].second;
  Store().DeleteCompany("k", a->listId);
  EXPECT_EQ(NamesOf("k"), std::vector<std::string>{"B"});
  EXPECT_EQ(k->ListCount, 1);
  EXPECT_EQ(a->GetComName(), "A");  // a view holding the record can still read it
  TRawDb raw(DatabasePath());
  EXPECT_EQ(raw.Value("select count(*) from tbl_list"), "1");
  Store().DeleteCompany("k", saved_[1].second->listId);
  EXPECT_EQ(k->ListCount, 0);
  EXPECT_EQ(raw.Value("select listcount from tbl_key"), "0");
  ASSERT_TRUE(Save("k", "C"));
  EXPECT_EQ(raw.Value("select listcount from tbl_key"), "1");
  // A company's id that is not a key deletes nothing.
  Store().DeleteCompany("k", "1 or 1=1");
  EXPECT_EQ(raw.Value("select count(*) from tbl_list"), "1");
}

TEST_F(KeyStore, AfterARestartAKeywordCountsWhatTheFileHolds) {
  Open();
  Store().AddKeyword("k");
  for (const char* name : {"A", "B", "C"})
    ASSERT_TRUE(Save("k", name));
  Store().DeleteCompany("k", saved_[1].second->listId);
  Open();
  EXPECT_EQ(Store().FindKeyword("k")->ListCount, 2);
  EXPECT_EQ(Store().TotalCompanyCount(), 2);
  // A row whose count went astray (an older program, a crash between two writes) is read as
  // the companies it has.
  {
    TRawDb raw(DatabasePath());
    raw.Exec("update tbl_key set listcount=22");
  }
  Open();
  EXPECT_EQ(Store().FindKeyword("k")->ListCount, 2);
}

TEST_F(KeyStore, DeleteKeywordTakesItsCompaniesAndLeavesTheOthers) {
  Open();
  Store().AddKeyword("k1");
  Store().AddKeyword("k2");
  ASSERT_TRUE(Save("k1", "A"));
  ASSERT_TRUE(Save("k2", "B"));
  ASSERT_TRUE(Save("k2", "C"));
  EXPECT_EQ(Store().TotalCompanyCount(), 3);
  Store().DeleteKeyword("k2");
  EXPECT_EQ(Store().FindKeyword("k2"), nullptr);
  EXPECT_EQ(Store().CompanyListOf("k2"), nullptr);
  EXPECT_EQ(Store().TotalCompanyCount(), 1);
  TRawDb raw(DatabasePath());
  EXPECT_EQ(raw.Value("select group_concat(KeyStr) from tbl_key"), "k1");
  EXPECT_EQ(raw.Value("select group_concat(ComName) from tbl_list"), "A");
  // Its names are free again.
  EXPECT_TRUE(Save("k1", "B"));
  Store().DeleteKeyword("unknown");
  EXPECT_EQ(Store().Keywords().size(), 1u);
}

TEST_F(KeyStore, DeleteAllKeywordsEmptiesBothTables) {
  Open();
  Store().AddKeyword("k1");
  Store().AddKeyword("k2");
  ASSERT_TRUE(Save("k1", "A"));
  ASSERT_TRUE(Save("k2", "B"));
  Store().DeleteAllKeywords();
  EXPECT_TRUE(Store().Keywords().empty());
  EXPECT_EQ(Store().FindKeyword("k1"), nullptr);
  EXPECT_EQ(Store().TotalCompanyCount(), 0);
  TRawDb raw(DatabasePath());
  EXPECT_EQ(raw.Value("select (select count(*) from tbl_key) + (select count(*) from tbl_list)"),
            "0");
  // A company reported afterwards for a cleared keyword is not stored.
  EXPECT_FALSE(Save("k1", "C"));
}

TEST_F(KeyStore, AKeywordsRowStaysWhileItsCompaniesCannotBeDeleted) {
  Open();
  Store().AddKeyword("k");
  ASSERT_TRUE(Save("k", "A"));
  TRawDb raw(DatabasePath());
  raw.Exec("create trigger keep before delete on tbl_list begin select raise(abort, 'no'); end");
  Store().DeleteKeyword("k");
  EXPECT_EQ(Store().FindKeyword("k"), nullptr);
  EXPECT_EQ(raw.Value("select count(*) from tbl_key"), "1");
  raw.Exec("drop trigger keep");
  // At the next start the keyword is back with its company and can be deleted then.
  Open();
  ASSERT_NE(Store().FindKeyword("k"), nullptr);
  ASSERT_TRUE(LoadAndWait("k"));
  EXPECT_EQ(NamesOf("k"), std::vector<std::string>{"A"});
}

// ---- the rest -------------------------------------------------------------------------------

TEST_F(KeyStore, StatusTextIsKeptPerKeyword) {
  Open();
  Store().AddKeyword("k");
  Store().SetStatusText("K", "busy");
  Store().SetStatusText("unknown", "ignored");
  EXPECT_EQ(Store().FindKeyword("k")->StatusText, "busy");
}

TEST_F(KeyStore, ExportGoesThroughTheWriterOnlyForALoadedKeyword) {
  Open();
  Store().AddKeyword("k");
  Store().AddKeyword("empty");
  ASSERT_TRUE(Save("k", "A"));
  TExportFields fields;
  fields.mobile = true;
  Store().ExportWriter = nullptr;
  EXPECT_FALSE(Store().ExportKeyword("k", "out.txt", fields, TExportFormat::Text));  // no writer

  std::vector<std::string> calls;
  Store().ExportWriter = [&](const TKeyData& record, const std::string& file,
                             const TExportFields& f, TExportFormat format) {
    calls.push_back(record.Keyword + ":" + file + ":" + (f.mobile ? "m" : "") +
                    std::string(ExportExtension(format)));
    return true;
  };
  EXPECT_TRUE(Store().ExportKeyword("k", "out.txt", fields, TExportFormat::Text));
  EXPECT_FALSE(Store().ExportKeyword("empty", "out.txt", fields, TExportFormat::Text));
  EXPECT_FALSE(Store().ExportKeyword("unknown", "out.txt", fields, TExportFormat::Text));
  EXPECT_TRUE(Store().ExportKeyword("k", "out.csv", fields, TExportFormat::Csv));
  EXPECT_EQ(calls, (std::vector<std::string>{"k:out.txt:mtxt", "k:out.csv:mcsv"}));

  Store().ExportWriter = [](const TKeyData&, const std::string&, const TExportFields&,
                            TExportFormat) -> bool { throw std::runtime_error("disk full"); };
  EXPECT_FALSE(Store().ExportKeyword("k", "out.txt", fields, TExportFormat::Excel));
}

TEST(LocalWallClock, IsTheLocalTimeReadAsUtc) {
  const char* old = std::getenv("TZ");
  std::string saved = old ? old : "";
  setenv("TZ", "CST-8", 1);
  tzset();
  std::int64_t before = static_cast<std::int64_t>(std::time(nullptr));
  std::int64_t local = LocalWallClockSeconds();
  std::int64_t after = static_cast<std::int64_t>(std::time(nullptr));
  if (old) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
  EXPECT_GE(local - 8 * 3600, before);
  EXPECT_LE(local - 8 * 3600, after + 1);  // rounded to the nearest second
}

}  // namespace
}  // namespace vlmr
