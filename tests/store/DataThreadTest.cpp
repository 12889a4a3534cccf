#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

#include "store/DataThread.h"
#include "store/StoreTestSupport.h"

namespace vlmr {
namespace {

using test::G;
using test::TRawDb;

class Loader : public test::TStoreTest {
 protected:
  // Stores `count` companies named <prefix>1.. under the keyword's row, straight into the file.
  void InsertRows(const std::string& keyword, int count, const std::string& prefix) {
    TRawDb raw(DatabasePath());
    std::string id = Store().FindKeyword(keyword)->Id;
    raw.Exec("begin");
    for (int i = 1; i <= count; ++i) {
      raw.Exec(
          "insert into tbl_list(ComName, Addr, weburl, EMail, Tel, mob, qq, source, ispay, "
          "stat, keyid, renzheng) values ('" +
          prefix + std::to_string(i) +
          "', '', '', '', '', '1380000' || char(13,10), '', '', 0, 0, " + id + ", 0)");
    }
    raw.Exec("commit");
  }

  // Waits, without running UI calls, until a loader has read everything and is waiting to
  // hand its records over.
  bool LoaderIsWaiting() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(test::kWait);
    while (ui_->Pending() == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        return false;
      }
      std::this_thread::yield();
    }
    return true;
  }

  std::vector<std::string> IdsOf(const std::string& keyword) {
    std::vector<std::string> ids;
    for (const auto& company : *Store().CompanyListOf(keyword)) {
      ids.push_back(company->listId);
    }
    return ids;
  }
};

TEST(SplitStoredValues, ReadsBarsAndLineBreaksAsSeparators) {
  using V = std::vector<std::string>;
  const std::pair<std::string, V> cases[] = {
      {"13800000001|13800000002", V{"13800000001", "13800000002"}},
      {"13800000001\r\n13800000002\r\n", V{"13800000001", "13800000002"}},
      {"a\nb\rc", V{"a", "b", "c"}},
      {"a\r\n\r\nb", V{"a", "", "b"}},
      {"  a \r\n \t", V{"a"}},
      {"|a|", V{"", "a"}},
      {"", V{}},
      // "亅" is 0x81 0x7C in GBK: its second byte is not a separator.
      {"亅@a.cn|b@c.cn", V{G("亅@a.cn"), "b@c.cn"}},
  };
  for (const auto& [stored, values] : cases) {
    EXPECT_EQ(SplitStoredValues(stored), values) << stored;
  }
}

TEST_F(Loader, ReadsEveryColumnOfTheKeywordsRows) {
  Open();
  Store().AddKeyword("k");
  Store().AddKeyword("other");
  std::string id = Store().FindKeyword("k")->Id;
  {
    TRawDb raw(DatabasePath());
    raw.Exec(
        "insert into tbl_list values(null, 'A,B.', '天河', 'http://a.cn', "
        "'亅@a.cn|b@c.cn', '  020-1' || char(13,10,13,10) || '020-2' || char(13,10) || ' ', "
        "'13800000001|13800000002', null, '百度', '1', 0, " +
        id + ", null, null, null, null, null)");
    raw.Exec(
        "insert into tbl_list values(null, 'C', '', '', '', '', "
        "'a' || char(13,10) || 'b' || char(13,10), '1001', '360', '', 0, " +
        id + ", 1, null, null, null, null)");
    raw.Exec("insert into tbl_list(ComName, mob, keyid) values('Elsewhere', '1', " +
             Store().FindKeyword("other")->Id + ")");
  }
  ASSERT_TRUE(LoadAndWait("k"));
  EXPECT_EQ(loaded_, std::vector<std::string>{"k"});
  const TCompanyList& list = *Store().CompanyListOf("k");
  ASSERT_EQ(list.size(), 2u);

  const TComPanyInfo& a = *list[0];
  EXPECT_FALSE(a.listId.empty());
  EXPECT_EQ(a.keyword, "");
  EXPECT_EQ(a.GetComName(), "A B");  // cleaned again on load
  EXPECT_EQ(a.address, G("天河"));
  EXPECT_EQ(a.webUrl, "http://a.cn");
  EXPECT_EQ(a.emails.Items(), (std::vector<std::string>{G("亅@a.cn"), "b@c.cn"}));
  EXPECT_EQ(a.tels.Items(), (std::vector<std::string>{"020-1", "", "020-2"}));
  EXPECT_EQ(a.mobiles.Items(), (std::vector<std::string>{"13800000001", "13800000002"}));
  EXPECT_TRUE(a.qqs.empty());
  EXPECT_EQ(a.source, SourceLabel(ENGINE_BAIDU));
  EXPECT_EQ(a.isPay, 1);
  EXPECT_EQ(a.renZheng, 0);

  const TComPanyInfo& c = *list[1];
  EXPECT_EQ(c.mobiles.Items(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(c.qqs.Items(), std::vector<std::string>{"1001"});
  EXPECT_EQ(c.isPay, 0);
  EXPECT_EQ(c.renZheng, 1);
  EXPECT_EQ(list.Find(c.listId), &c);
}

TEST_F(Loader, AKeywordWithoutItsRowLoadsNothingAndStillAnswers) {
  Open();
  Store().AddKeyword("k");
  TRawDb(DatabasePath()).Exec("delete from tbl_key");
  ASSERT_TRUE(LoadAndWait("k"));
  EXPECT_EQ(loaded_, std::vector<std::string>{"k"});
  EXPECT_TRUE(Store().CompanyListOf("k")->empty());
}

TEST_F(Loader, ALoadThatFailsAtTheTenthRowKeepsTheNineBefore) {
  Open();
  Store().AddKeyword("k");
  InsertRows("k", 12, "C");
  {
    // Reading the tenth row fails inside SQLite (an integer overflow in a computed column).
    TRawDb raw(DatabasePath());
    std::string tenth = raw.Value("select ListID from tbl_list order by ListID limit 1 offset 9");
    raw.Exec("alter table tbl_list add broken as (case when ListID = " + tenth +
             " then abs(-9223372036854775807 - 1) end)");
  }
  Open();
  ASSERT_TRUE(LoadAndWait("k"));
  EXPECT_EQ(loaded_, std::vector<std::string>{"k"});
  EXPECT_EQ(NamesOf("k"),
            (std::vector<std::string>{"C1", "C2", "C3", "C4", "C5", "C6", "C7", "C8", "C9"}));
  EXPECT_EQ(Store().FindKeyword("k")->ListCount, 9);
  // The store goes on working.
  EXPECT_TRUE(Save("k", "New"));
  EXPECT_NE(Store().RequestKeyword("k", TPendingAction::Start), nullptr);
}

TEST_F(Loader, ASecondLoadWhileOneRunsDoesNotLoadTwice) {
  Open();
  Store().AddKeyword("k");
  InsertRows("k", 50, "C");
  Open();
  Store().LoadCompanies("k");
  Store().LoadCompanies("k");
  // A start asked for meanwhile waits for the load's end; a stop does not.
  EXPECT_EQ(Store().RequestKeyword("k", TPendingAction::Start), nullptr);
  EXPECT_EQ(Store().RequestKeyword("k", TPendingAction::Stop), Store().FindKeyword("k"));
  EXPECT_EQ(TWorkerRegistry::Count(), 1);
  EXPECT_TRUE(Store().FindKeyword("k")->LoadRunning());
  ASSERT_TRUE(PumpUntilNoWorkers());
  EXPECT_EQ(loaded_, std::vector<std::string>{"k"});  // one answer for all three calls
  EXPECT_EQ(Store().TakePendingAction("k"), TPendingAction::Start);
  EXPECT_EQ(Store().RequestKeyword("k", TPendingAction::Start), Store().FindKeyword("k"));
  std::vector<std::string> ids = IdsOf("k");
  EXPECT_EQ(ids.size(), 50u);
  EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), 50u);
  EXPECT_FALSE(Store().FindKeyword("k")->LoadRunning());
}

TEST_F(Loader, SavesAndDeletesDuringALoadAreKept) {
  Open();
  Store().AddKeyword("k");
  InsertRows("k", 3, "R");
  Open();
  std::string r2 = TRawDb(DatabasePath()).Value("select ListID from tbl_list where ComName='R2'");
  Store().LoadCompanies("k");
  ASSERT_TRUE(LoaderIsWaiting());  // it has read R1, R2 and R3
  ASSERT_TRUE(Save("k", "D"));
  // The count goes on from the file's, not from the one company in memory yet.
  EXPECT_EQ(Store().FindKeyword("k")->ListCount, 4);
  EXPECT_EQ(TRawDb(DatabasePath()).Value("select listcount from tbl_key where KeyStr='k'"), "4");
  Store().DeleteCompany("k", r2);
  Store().LoadCompanies("k");  // the partial list is not shown: the load's end answers
  EXPECT_TRUE(loaded_.empty());
  ui_->ProcessEvents();
  EXPECT_EQ(loaded_, std::vector<std::string>{"k"});
  EXPECT_EQ(NamesOf("k"), (std::vector<std::string>{"R1", "R3", "D"}));
  EXPECT_EQ(Store().CompanyListOf("k")->Find(saved_[0].second->listId), saved_[0].second.get());
  EXPECT_EQ(Store().FindKeyword("k")->ListCount, 3);
}

// More rows than one batch, with another keyword's rows between them in the file: every row
// arrives once, in the order of the file, and a save and a delete made between two batches are
// kept as they are in a load of a single batch.
TEST_F(Loader, ALoadOfManyBatchesKeepsTheOrderOfTheFile) {
  Open();
  Store().AddKeyword("k");
  Store().AddKeyword("other");
  const int rows = 2 * kLoadBatch + 7;
  for (int part = 0; part < 3; ++part) {
    InsertRows("k", rows / 3 + (part == 2 ? rows % 3 : 0), "P" + std::to_string(part) + "x");
    InsertRows("other", 5, "O" + std::to_string(part) + "x");
  }
  Open();
  ASSERT_TRUE(LoadAndWait("k"));
  std::vector<std::string> ids = IdsOf("k");
  ASSERT_EQ(ids.size(), static_cast<std::size_t>(rows));
  EXPECT_TRUE(std::is_sorted(
      ids.begin(), ids.end(),
      [](const std::string& a, const std::string& b) { return std::stoll(a) < std::stoll(b); }));
  EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size());
  EXPECT_EQ(NamesOf("k").front(), "P0x1");
  EXPECT_EQ(Store().FindKeyword("k")->ListCount, rows);
}

// A load hands its rows over batch by batch as they are read: each arrival continues the rows
// before it, and a company deleted meanwhile leaves the rows so far and never arrives again.
TEST_F(Loader, RowsArriveInBatchesBeforeTheLoadEnds) {
  Open();
  Store().AddKeyword("k");
  const int rows = 3 * kLoadBatch + 5;
  InsertRows("k", rows, "C");
  Open();
  std::vector<std::pair<std::size_t, std::size_t>> arrivals;  // from, rows so far
  std::string deleted;
  Store().OnCompaniesArriving = [&](TKeyListInfo& store, const std::string& keyword,
                                    const TCompanyList& so, std::size_t from) {
    EXPECT_EQ(keyword, "k");
    EXPECT_TRUE(loaded_.empty());
    arrivals.emplace_back(from, so.size());
    if (deleted.empty()) {
      deleted = so[0]->listId;
      store.DeleteCompany("k", deleted);
    }
  };
  ASSERT_TRUE(LoadAndWait("k"));
  ASSERT_FALSE(arrivals.empty());
  EXPECT_EQ(arrivals.front().first, 0u);
  for (std::size_t i = 1; i < arrivals.size(); ++i) {
    EXPECT_EQ(arrivals[i].first, arrivals[i - 1].second - (i == 1 ? 1 : 0)) << i;
    EXPECT_GT(arrivals[i].second, arrivals[i].first) << i;
  }
  const std::vector<std::string> ids = IdsOf("k");
  EXPECT_EQ(ids.size(), static_cast<std::size_t>(rows - 1));
  EXPECT_EQ(std::count(ids.begin(), ids.end(), deleted), 0);
  EXPECT_EQ(Store().FindKeyword("k")->ListCount, rows - 1);
}

// The program's end asks loads to stop: a load then ends without reading its rows and is still
// answered, so nothing waits for it.
TEST_F(Loader, AStoppedLoadEndsAtOnceAndStillAnswers) {
  Open();
  Store().AddKeyword("k");
  InsertRows("k", 20, "C");
  Open();
  Store().StopLoads();
  ASSERT_TRUE(LoadAndWait("k"));
  EXPECT_EQ(loaded_, std::vector<std::string>{"k"});
  EXPECT_FALSE(Store().FindKeyword("k")->LoadRunning());
}

struct TStaleCase {
  const char* name;
  std::function<void(TKeyListInfo&)> act;
};

TEST_F(Loader, ALoadWhoseKeywordWentAwayHandsNothingOver) {
  const TStaleCase cases[] = {
      {"keyword deleted", [](TKeyListInfo& s) { s.DeleteKeyword("k"); }},
      {"all keywords deleted", [](TKeyListInfo& s) { s.DeleteAllKeywords(); }},
      {"keyword deleted and added again",
       [](TKeyListInfo& s) {
         s.DeleteKeyword("k");
         s.AddKeyword("k");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Open();
    Store().DeleteAllKeywords();
    Store().AddKeyword("k");
    InsertRows("k", 5, "C");
    Open();
    loaded_.clear();
    Store().LoadCompanies("k");
    ASSERT_TRUE(LoaderIsWaiting());
    c.act(Store());
    ASSERT_TRUE(PumpUntilNoWorkers());
    EXPECT_TRUE(loaded_.empty());
    if (TKeyData* again = Store().FindKeyword("k")) {
      EXPECT_TRUE(again->Companies.empty());
      EXPECT_FALSE(again->LoadStarted);
    }
  }
}

TEST_F(Loader, TheStoreMayGoWhileALoadRuns) {
  for (bool waiting : {false, true}) {
    SCOPED_TRACE(waiting ? "loader waiting to hand over" : "loader just started");
    Open();
    Store().DeleteAllKeywords();
    Store().AddKeyword("k");
    InsertRows("k", 200, "C");
    Open();
    loaded_.clear();
    Store().LoadCompanies("k");
    if (waiting) {
      ASSERT_TRUE(LoaderIsWaiting());
    }
    store_.reset();
    ASSERT_TRUE(PumpUntilNoWorkers());
    EXPECT_TRUE(loaded_.empty());
  }
}

// Loads of several keywords, each asked for twice, racing the window's other work.
TEST_F(Loader, LoadsRaceDeletesSavesAndSecondLoads) {
  const char* const keywords[] = {"k0", "k1", "k2", "k3"};
  constexpr int kRows = 300;
  enum TAction { DeleteOne, DeleteAll, SaveAndDeleteCompany, DestroyStore };
  for (TAction action : {DeleteOne, DeleteAll, SaveAndDeleteCompany, DestroyStore}) {
    SCOPED_TRACE(action);
    Open();
    Store().DeleteAllKeywords();
    for (const char* k : keywords) {
      Store().AddKeyword(k);
      InsertRows(k, kRows, std::string(k) + "-");
    }
    std::string firstOfK3 =
        TRawDb(DatabasePath()).Value("select min(ListID) from tbl_list where ComName like 'k3-%'");
    Open();
    loaded_.clear();
    for (const char* k : keywords) {
      Store().LoadCompanies(k);
    }
    for (const char* k : keywords) {
      Store().LoadCompanies(k);
    }
    switch (action) {
      case DeleteOne:
        Store().DeleteKeyword("k1");
        break;
      case DeleteAll:
        Store().DeleteAllKeywords();
        break;
      case SaveAndDeleteCompany:
        ASSERT_TRUE(Save("k2", "fresh"));
        Store().DeleteCompany("k3", firstOfK3);
        break;
      case DestroyStore:
        store_.reset();
        break;
    }
    ASSERT_TRUE(PumpUntilNoWorkers());
    if (!store_) {
      EXPECT_TRUE(loaded_.empty());
      continue;
    }
    std::multiset<std::string> answered(loaded_.begin(), loaded_.end());
    for (const char* k : keywords) {
      SCOPED_TRACE(k);
      TKeyData* record = Store().FindKeyword(k);
      bool gone = action == DeleteAll || (action == DeleteOne && std::string(k) == "k1");
      if (gone) {
        EXPECT_EQ(record, nullptr);
        EXPECT_EQ(answered.count(k), 0u);
        continue;
      }
      ASSERT_NE(record, nullptr);
      EXPECT_EQ(answered.count(k), 1u);
      std::size_t expected = kRows;
      if (action == SaveAndDeleteCompany && std::string(k) == "k2") {
        expected = kRows + 1;
      }
      if (action == SaveAndDeleteCompany && std::string(k) == "k3") {
        expected = kRows - 1;
      }
      std::vector<std::string> ids = IdsOf(k);
      EXPECT_EQ(ids.size(), expected);
      EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size());
      EXPECT_FALSE(record->LoadRunning());
    }
  }
}

}  // namespace
}  // namespace vlmr
