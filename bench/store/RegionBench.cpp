// Regions, shared numbers and filters at the sizes a store reaches: the region of a number (the
// geocoder behind its prefix cache) and of a company; the upgrade of a file of the previous
// schema holding 1 000 000 companies (the number index filled from every row); the shared-number
// check of one save against that index; a filter and the region counts over 1 000 000 rows.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/Text.h"
#include "base/Utils.h"
#include "engine/Region.h"
#include "store/KeyListInfo.h"
#include "store/NumberIndex.h"
#include "store/ResultFilter.h"

namespace vlmr {
namespace {

constexpr int kRows = 1000000;

const char* const kAreaCodes[] = {"020", "0755", "010", "021", "0571", "0769", "028", "027"};

std::string& BenchFolder() {
  static std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "vlmr-region-bench-XXXXXX");
    if (!mkdtemp(pattern.data())) {
      std::abort();
    }
    return pattern;
  }();
  return folder;
}

void Exec(sqlite3* db, const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
    fprintf(stderr, "%s: %s\n", sql, error ? error : "?");
    std::abort();
  }
}

std::string Mobile(long long i) {
  // Spread over many issuing prefixes, as a real list is.
  return std::to_string(13000000000LL + (i * 7919LL) % 9000000000LL);
}

std::string Landline(int i) {
  return std::string(kAreaCodes[i % 8]) + "-" + std::to_string(80000000 + i % 9000000);
}

// A database of the previous schema (user_version 1) with kRows companies under 100 keywords:
// a landline for every third, one or two mobiles, and a platform's number in every hundredth.
const std::string& PreviousVersionFile() {
  static const std::string path = [] {
    std::string file = BenchFolder() + "/previous.db";
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    Exec(db,
         "create table tbl_key(ID INTEGER PRIMARY KEY AUTOINCREMENT,KeyStr TEXT,listcount "
         "INTEGER,lastpage INTEGER,sglastpage NUMERIC,s360lastpage NUMERIC,adddate NUMERIC)");
    Exec(db,
         "create table tbl_list(ListID INTEGER PRIMARY KEY AUTOINCREMENT,ComName TEXT,Addr "
         "TEXT,weburl TEXT,EMail TEXT,Tel TEXT,mob TEXT,qq TEXT,source TEXT,ispay NUMERIC,stat "
         "INTEGER,keyid INTEGER,renzheng NUMERIC)");
    Exec(db, "create index idx_list_comname on tbl_list(ComName)");
    Exec(db, "create index idx_list_keyid on tbl_list(keyid)");
    Exec(db, "create index idx_key_keystr on tbl_key(KeyStr)");
    Exec(db, "pragma user_version=1");
    Exec(db, "begin");
    for (int k = 1; k <= 100; ++k) {
      Exec(db, ("insert into tbl_key values(" + std::to_string(k) + ",'k" + std::to_string(k) +
                "'," + std::to_string(kRows / 100) + ",0,0,0,0)")
                   .c_str());
    }
    sqlite3_stmt* row = nullptr;
    sqlite3_prepare_v2(db,
                       "insert into tbl_list(ComName,Addr,weburl,EMail,Tel,mob,qq,source,ispay,"
                       "stat,keyid,renzheng) values (?,?,'',?,?,?,'','百度',0,0,?,0)",
                       -1, &row, nullptr);
    for (int i = 0; i < kRows; ++i) {
      std::string n = std::to_string(i);
      std::string name = "广州市天河区第" + n + "电子科技有限公司";
      std::string addr = "广东省广州市天河区天河路" + n + "号";
      std::string mail = "sales" + n + "@company.com.cn\r\n";
      std::string tel = i % 3 == 0 ? Landline(i) + "\r\n" : "";
      std::string mob = Mobile(i) + "\r\n";
      if (i % 2 == 0) {
        mob += Mobile(i + kRows) + "\r\n";
      }
      if (i % 100 == 0) {
        mob += "18600000000\r\n";
      }
      const std::string* texts[] = {&name, &addr, &mail, &tel, &mob};
      for (int c = 0; c < 5; ++c) {
        sqlite3_bind_text(row, c + 1, texts[c]->c_str(), -1, SQLITE_STATIC);
      }
      sqlite3_bind_int(row, 6, 1 + i % 100);
      sqlite3_step(row);
      sqlite3_reset(row);
    }
    sqlite3_finalize(row);
    Exec(db, "commit");
    sqlite3_close(db);
    return file;
  }();
  return path;
}

// A program folder holding a copy of the previous version's file.
std::string FreshCopy(const std::string& name) {
  std::string folder = BenchFolder() + "/" + name;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder + "/Data");
  std::filesystem::copy_file(PreviousVersionFile(), folder + "/Data/users");
  return folder;
}

void BM_RegionOfNumber(benchmark::State& state) {
  std::vector<std::string> numbers;
  for (int i = 0; i < 4096; ++i) {
    numbers.push_back(i % 2 ? Mobile(i) : Landline(i));
  }
  std::size_t at = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(PlaceOfNumber(numbers[at++ % numbers.size()]));
  }
}
BENCHMARK(BM_RegionOfNumber);

// A company of a landline and two mobiles, by the whole rule.
void BM_RegionOfCompany(benchmark::State& state) {
  std::vector<TComPanyInfo> companies(1024);
  for (int i = 0; i < 1024; ++i) {
    if (i % 3 == 0) {
      companies[i].AddTel(Landline(i));
    }
    companies[i].AddMobile(Mobile(i));
    companies[i].AddMobile(Mobile(i + kRows));
    companies[i].address = Utf8ToGbk("广东省广州市天河区");
  }
  std::size_t at = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(RegionOf(companies[at++ % companies.size()]));
  }
}
BENCHMARK(BM_RegionOfCompany);

// Opening a file of the previous schema with 1 000 000 companies: the columns and the number
// index, in one transaction, as the first start of this version does.
void BM_UpgradeStore(benchmark::State& state) {
  std::int64_t indexed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    SetAppFolderOverride(FreshCopy("upgrade"));
    state.ResumeTiming();
    TKeyListInfo store;
    state.PauseTiming();
    indexed = static_cast<std::int64_t>(store.SharedNumbers().size());
    state.ResumeTiming();
  }
  state.counters["companies"] = kRows;
  state.counters["sharedNumbers"] = static_cast<double>(indexed);
}
BENCHMARK(BM_UpgradeStore)->Iterations(1)->Unit(benchmark::kSecond);

// The number-index part of one save against 1 000 000 indexed companies: two numbers added and
// their holders counted (the transaction of the save around it is not part of it).
void BM_SharedCheckPerSave(benchmark::State& state) {
  const std::string folder = FreshCopy("shared");
  SetAppFolderOverride(folder);
  { TKeyListInfo upgrade; }
  TSQLiteDatabase database(folder + "/Data/users");
  database.RunStatement("begin");
  TSharedNumbers shared = ReadSharedNumbers(database);
  long long i = 0;
  for (auto _ : state) {
    ++i;
    benchmark::DoNotOptimize(AddToNumberIndex(
        database, "新公司" + std::to_string(i),
        {Mobile(3 * kRows + i), i % 2 ? "18600000000" : Landline(static_cast<int>(i))}, shared));
  }
  database.RunStatement("rollback");
}
BENCHMARK(BM_SharedCheckPerSave)->Unit(benchmark::kMicrosecond);

std::vector<std::shared_ptr<TComPanyInfo>>& MillionRows() {
  static std::vector<std::shared_ptr<TComPanyInfo>> rows = [] {
    std::vector<std::shared_ptr<TComPanyInfo>> made;
    made.reserve(kRows);
    const char* provinces[] = {"广东省", "北京市", "浙江省", "江苏省", "上海市"};
    const char* cities[] = {"广州市", "北京市", "杭州市", "南京市", "上海市"};
    for (int i = 0; i < kRows; ++i) {
      auto company = std::make_shared<TComPanyInfo>();
      company->SetComName(Utf8ToGbk("广州市天河区第" + std::to_string(i) + "电子科技有限公司"));
      company->AddMobile(Mobile(i));
      if (i % 3 == 0) {
        company->AddTel(Landline(i));
      }
      if (i % 7 == 0) {
        company->AddWeChat("wx_" + std::to_string(i));
      }
      company->source = SourceLabel(static_cast<TEngineIndex>(i % 3));
      company->region = {Utf8ToGbk(provinces[i % 5]), Utf8ToGbk(cities[i % 5]),
                         TRegionSource::Landline};
      made.push_back(std::move(company));
    }
    return made;
  }();
  return rows;
}

// The filter the grid applies when a region is chosen and a name typed, over 1 000 000 rows;
// args[0] 1 adds "不含共享号码".
void BM_FilterMillionRows(benchmark::State& state) {
  const auto& rows = MillionRows();
  TSharedNumbers shared = {Mobile(7), Mobile(11)};
  TResultFilter filter;
  filter.province = Utf8ToGbk("广东省");
  filter.name = Utf8ToGbk("99");
  filter.noShared = state.range(0) != 0;
  std::size_t shown = 0;
  for (auto _ : state) {
    shown = FilterCompanies(rows, filter, shared).size();
  }
  state.counters["shown"] = static_cast<double>(shown);
}
BENCHMARK(BM_FilterMillionRows)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_RegionCountsMillionRows(benchmark::State& state) {
  const auto& rows = MillionRows();
  for (auto _ : state) {
    benchmark::DoNotOptimize(RegionCounts(rows));
  }
}
BENCHMARK(BM_RegionCountsMillionRows)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vlmr

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(vlmr::BenchFolder());
  return 0;
}
