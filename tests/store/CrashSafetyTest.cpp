// A company whose save has returned survives a crash: a child process saves companies as fast
// as it can (and deletes some), reporting through a pipe each save and each delete that has
// returned, and is killed with SIGKILL at random moments, many times over on the same file.
// After every kill the file passes SQLite's integrity check, holds every company whose save
// returned (and none whose delete returned), holds no name twice, and the next child, like the
// program, opens it and goes on.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>

#include "StoreTestSupport.h"
#include "support/KilledChild.h"

namespace vlmr::test {
namespace {

class CrashSafety : public TStoreTest {};

// The child's work: open the store as the program does, then save "R<round>N<n>" for n = 0, 1,
// ... and delete every fourth company two saves after saving it. Reports "S name", "X name"
// (a delete begins) and "D name" (it returned).
int SaveUntilKilled(int fd, int round) {
  TKeyListInfo store;
  store.LoadKeywords();
  std::shared_ptr<TComPanyInfo> saved;
  store.OnCompanySaved = [&saved](TKeyListInfo&, const std::string&,
                                  const std::shared_ptr<TComPanyInfo>& company) {
    saved = company;
  };
  std::map<int, std::shared_ptr<TComPanyInfo>> toDelete;
  for (int n = 0; n < 1000000; ++n) {
    const std::string name = "R" + std::to_string(round) + "N" + std::to_string(n);
    TComPanyInfo company;
    company.SetComName(name);
    company.AddMobile(std::to_string(13800000000LL + round * 100000LL + n));
    company.AddTel("020-87654321");
    saved.reset();
    store.SaveCompany("k", company);
    if (!saved) {
      return 2;  // refused: the test fails on the exit status
    }
    // As stored: the record's name setter tidies what it is given.
    TKilledChild::Report(fd, "S " + saved->GetComName());
    if (n % 4 == 0) {
      toDelete[n + 2] = saved;
    }
    if (auto due = toDelete.find(n); due != toDelete.end()) {
      const std::string victim = due->second->GetComName();
      TKilledChild::Report(fd, "X " + victim);
      store.DeleteCompany("k", due->second->listId);
      TKilledChild::Report(fd, "D " + victim);
      toDelete.erase(due);
    }
  }
  return 3;
}

TEST_F(CrashSafety, EverySaveThatReturnedSurvivesAKill) {
  constexpr int kKills = 30;
  Open().AddKeyword("k");
  store_.reset();

  std::mt19937 random(20261210);
  std::set<std::string> mustExist;   // saved, no delete begun
  std::set<std::string> mayExist;    // a delete began but had not returned at the kill
  std::set<std::string> mustBeGone;  // deleted
  int saves = 0;
  int deletes = 0;
  for (int round = 0; round < kKills; ++round) {
    TKilledChild child([round](int fd) { return SaveUntilKilled(fd, round); });
    ASSERT_TRUE(child.Started());
    auto take = [&](const std::string& line) {
      const std::string name = line.substr(2);
      if (line[0] == 'S') {
        mustExist.insert(name);
        ++saves;
      } else if (line[0] == 'X') {
        mustExist.erase(name);
        mayExist.insert(name);
      } else {
        mayExist.erase(name);
        mustBeGone.insert(name);
        ++deletes;
      }
    };
    // The kill comes after a random number of reports, while the next save or delete runs.
    const int reports = std::uniform_int_distribution<int>(1, 20)(random);
    std::string line;
    for (int i = 0; i < reports && child.NextLine(line); ++i) {
      take(line);
    }
    ASSERT_TRUE(child.Kill()) << "the child ended by itself, status " << child.ExitStatus();
    for (const std::string& rest : child.Rest()) {
      take(rest);
    }

    TRawDb raw(DatabasePath());
    ASSERT_EQ(raw.Value("pragma integrity_check"), "ok") << "round " << round;
    EXPECT_EQ(raw.Value("select count(*) from (select ComName from tbl_list group by ComName "
                        "having count(*) > 1)"),
              "0")
        << "round " << round;
    std::set<std::string> stored;
    for (const auto& row : raw.Rows("select ComName from tbl_list")) {
      stored.insert(row[0].value_or(""));
    }
    for (const std::string& name : mustExist) {
      ASSERT_TRUE(stored.count(name)) << name << " was saved but is gone, round " << round;
    }
    for (const std::string& name : mustBeGone) {
      ASSERT_FALSE(stored.count(name)) << name << " was deleted but is back, round " << round;
    }
    // The save or delete under way at the kill may have landed or not; what the file shows
    // now must hold from here on. Nothing else may appear.
    int unreported = 0;
    for (const std::string& name : stored) {
      if (!mustExist.count(name) && !mayExist.count(name)) {
        EXPECT_EQ(name.rfind("R" + std::to_string(round) + "N", 0), 0u) << name;
        ++unreported;
        mustExist.insert(name);
      }
    }
    EXPECT_LE(unreported, 1) << "round " << round;
    for (const std::string& name : mayExist) {
      (stored.count(name) ? mustExist : mustBeGone).insert(name);
    }
    mayExist.clear();
  }
  std::printf("crash safety, store: %d kills, %d saves and %d deletes checked, %zu companies\n",
              kKills, saves, deletes, mustExist.size());

  // The program starts normally on the file: its keyword and every stored company load.
  TKeyListInfo& store = Open();
  ASSERT_NE(store.FindKeyword("k"), nullptr);
  store.LoadCompanies("k");
  ASSERT_TRUE(PumpUntil([this] { return !loaded_.empty(); }));
  std::set<std::string> listed;
  for (const auto& company : *store.CompanyListOf("k")) {
    listed.insert(company->GetComName());
  }
  for (const std::string& name : mustExist) {
    EXPECT_TRUE(listed.count(name)) << name;
  }
  EXPECT_EQ(listed.size(),
            std::stoul(TRawDb(DatabasePath()).Value("select count(*) from tbl_list")));
}

}  // namespace
}  // namespace vlmr::test
