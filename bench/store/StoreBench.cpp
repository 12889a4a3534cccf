// The keyword store at the sizes it meets in use: saving a reported company against 100 000
// and 1 000 000 stored ones (with and without the name index the duplicate check relies on),
// loading one keyword of 100 000 companies, the lock a load holds, the name check at
// 1 000 000, the total count, and the file's size per company.
// The total count is a sum over the keyword records in memory: its cost follows the number of
// keywords, not of stored companies, and it is measured over the 100 keywords of the store.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "base/Dispatcher.h"
#include "base/Text.h"
#include "base/Thread.h"
#include "base/Utils.h"
#include "store/DataThread.h"
#include "store/KeyListInfo.h"

namespace vlmr {
namespace {

constexpr int kKeywords = 100;

std::string& BenchFolder() {
  static std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "vlmr-store-bench-XXXXXX");
    if (!mkdtemp(pattern.data())) {
      std::abort();
    }
    return pattern;
  }();
  return folder;
}

std::map<std::pair<int, bool>, std::uintmax_t>& FileSizes() {
  static std::map<std::pair<int, bool>, std::uintmax_t> sizes;
  return sizes;
}

void Exec(sqlite3* db, const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
    fprintf(stderr, "%s: %s\n", sql, error ? error : "?");
    std::abort();
  }
}

// A program folder whose database holds `rows` companies: spread over kKeywords keywords, or
// all under the first one when `oneKeyword`. Made once per shape and reused.
std::string Folder(int rows, bool oneKeyword) {
  static std::map<std::pair<int, bool>, std::string> made;
  auto shape = std::make_pair(rows, oneKeyword);
  if (auto found = made.find(shape); found != made.end()) {
    return found->second;
  }

  std::string folder = BenchFolder() + "/" + std::to_string(rows) + (oneKeyword ? "-one" : "");
  std::filesystem::create_directories(folder);
  SetAppFolderOverride(folder);
  { TKeyListInfo create; }  // tables and indexes as the program makes them

  sqlite3* db = nullptr;
  sqlite3_open((folder + "/Data/users").c_str(), &db);
  Exec(db, "begin");
  sqlite3_stmt* key = nullptr;
  sqlite3_prepare_v2(db,
                     "insert into tbl_key(KeyStr,listcount,lastpage,sglastpage,s360lastpage,"
                     "adddate) values (?,?,0,0,0,1700000000)",
                     -1, &key, nullptr);
  for (int k = 0; k < kKeywords; ++k) {
    std::string text = "广州 电子公司 " + std::to_string(k);
    sqlite3_bind_text(key, 1, text.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(key, 2, oneKeyword ? (k == 0 ? rows : 0) : rows / kKeywords);
    sqlite3_step(key);
    sqlite3_reset(key);
  }
  sqlite3_finalize(key);
  sqlite3_stmt* row = nullptr;
  sqlite3_prepare_v2(db,
                     "insert into tbl_list(ComName,Addr,weburl,EMail,Tel,mob,qq,source,ispay,"
                     "stat,keyid,renzheng) values (?,?,?,?,?,?,?,'百度',0,0,?,0)",
                     -1, &row, nullptr);
  for (int i = 0; i < rows; ++i) {
    std::string n = std::to_string(i);
    std::string name = "广州市天河区第" + n + "电子科技有限公司";
    std::string addr = "广州市天河区天河路" + n + "号电子大厦";
    std::string url = "http://www.company" + n + ".com.cn/";
    std::string mail = "sales" + n + "@company.com.cn\r\n";
    std::string tel = "020-" + std::to_string(80000000 + i) + "\r\n";
    std::string mob = std::to_string(13800000000LL + i) + "\r\n";
    std::string qq = std::to_string(100000 + i) + "\r\n";
    const std::string* texts[] = {&name, &addr, &url, &mail, &tel, &mob, &qq};
    for (int c = 0; c < 7; ++c) {
      sqlite3_bind_text(row, c + 1, texts[c]->c_str(), -1, SQLITE_STATIC);
    }
    sqlite3_bind_int(row, 8, oneKeyword ? 1 : 1 + i % kKeywords);
    sqlite3_step(row);
    sqlite3_reset(row);
  }
  sqlite3_finalize(row);
  Exec(db, "commit");
  sqlite3_close(db);
  FileSizes()[shape] = std::filesystem::file_size(folder + "/Data/users");
  made.emplace(shape, folder);
  return folder;
}

std::string DatabaseOf(const std::string& folder) {
  return folder + "/Data/users";
}

void DropNameIndex(const std::string& folder, bool drop) {
  sqlite3* db = nullptr;
  sqlite3_open(DatabaseOf(folder).c_str(), &db);
  Exec(db, drop ? "drop index if exists idx_list_comname"
                : "create index if not exists idx_list_comname on tbl_list(ComName)");
  sqlite3_close(db);
}

// Not a timing: the database file's size per stored company, as a counter.
void BM_FileSizePerCompany(benchmark::State& state) {
  int rows = static_cast<int>(state.range(0));
  std::string folder = Folder(rows, false);
  for (auto _ : state) {
    benchmark::DoNotOptimize(folder.size());
  }
  auto bytes = FileSizes()[std::make_pair(rows, false)];  // as made, before other benchmarks
  state.counters["bytesPerCompany"] = static_cast<double>(bytes) / rows;
  state.counters["fileMB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
}
BENCHMARK(BM_FileSizePerCompany)->Arg(100000)->Arg(1000000)->ArgName("stored")->Iterations(1);

void BM_TotalCompanyCountOfKeywordRecords(benchmark::State& state) {
  std::string folder = Folder(100000, false);
  SetAppFolderOverride(folder);
  TKeyListInfo store;
  store.LoadKeywords();
  for (auto _ : state) {
    benchmark::DoNotOptimize(store.TotalCompanyCount());
  }
  state.counters["keywords"] = static_cast<double>(store.Keywords().size());
  state.counters["total"] = static_cast<double>(store.TotalCompanyCount());
}
BENCHMARK(BM_TotalCompanyCountOfKeywordRecords);

// A new run loads one keyword holding all args[0] companies, in the background.
void BM_LoadKeyword(benchmark::State& state) {
  std::string folder = Folder(static_cast<int>(state.range(0)), true);
  SetAppFolderOverride(folder);
  auto& ui = static_cast<TQueueDispatcher&>(*CurrentUiDispatcher());
  std::size_t loaded = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto store = std::make_unique<TKeyListInfo>();
    store->LoadKeywords();
    const std::string keyword = store->Keywords().front()->Keyword;
    bool done = false;
    store->OnCompaniesLoaded = [&](TKeyListInfo&, const std::string&) { done = true; };
    state.ResumeTiming();
    store->LoadCompanies(keyword);
    ui.ProcessUntil([&] { return done; }, 600000);
    state.PauseTiming();
    loaded = store->CompanyListOf(keyword)->size();
    store.reset();
    ui.ProcessUntil([] { return TWorkerRegistry::Count() == 0; }, 60000);
    state.ResumeTiming();
  }
  state.counters["companies"] = static_cast<double>(loaded);
}
BENCHMARK(BM_LoadKeyword)->Arg(100000)->ArgName("companies")->Unit(benchmark::kMillisecond);

// The part of a load that holds the builder's lock: the query of one batch of the loader's
// rows (from the middle of a keyword of args[0] rows). A save arriving meanwhile waits at most
// this long.
void BM_LoadQueryUnderLock(benchmark::State& state) {
  std::string folder = Folder(static_cast<int>(state.range(0)), true);
  SetAppFolderOverride(folder);
  TDataManager builder("users");
  std::size_t rows = 0;
  for (auto _ : state) {
    builder.ResetFields();
    builder.SetStatementText(
        "select * from tbl_list where keyid=? and ListID>? order by ListID limit ?",
        {std::int64_t{1}, std::int64_t{state.range(0) / 2}, std::int64_t{kLoadBatch}});
    rows = builder.QueryStatement()->RowCount();
  }
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_LoadQueryUnderLock)
    ->Arg(100000)
    ->Arg(1000000)
    ->ArgName("companies")
    ->Unit(benchmark::kMillisecond);

// The program-wide duplicate check of a reported company's name, as a save runs it, against
// args[0] stored companies: a name that is stored and one that is not, in turn.
void BM_NameCheck(benchmark::State& state) {
  std::string folder = Folder(static_cast<int>(state.range(0)), false);
  SetAppFolderOverride(folder);
  TDataManager builder("users");
  const std::string stored =
      "广州市天河区第" + std::to_string(state.range(0) / 3) + "电子科技有限公司";
  const std::string absent =
      "广州市天河区第" + std::to_string(state.range(0) + 7) + "电子科技有限公司";
  long turn = 0, found = 0;
  for (auto _ : state) {
    builder.ResetFields();
    builder.SetStatementText("select listid from tbl_list where ComName=?",
                             {++turn % 2 == 0 ? stored : absent});
    found += builder.QueryStatement()->RowCount() > 0 ? 1 : 0;
  }
  if (found * 2 != turn - turn % 2) {
    state.SkipWithError("the stored name was not found");
  }
}
BENCHMARK(BM_NameCheck)->Arg(1000000)->ArgName("stored")->Unit(benchmark::kMicrosecond);

// One reported company per call, each with a new name, against args[0] stored companies;
// args[1] is 1 with the name index, 0 without it (the baseline).
void BM_SaveCompany(benchmark::State& state) {
  std::string folder = Folder(static_cast<int>(state.range(0)), false);
  bool indexed = state.range(1) != 0;
  SetAppFolderOverride(folder);
  {
    TKeyListInfo store;
    // The store makes the index whenever it opens; the baseline drops it afterwards.
    if (!indexed) {
      DropNameIndex(folder, true);
    }
    store.LoadKeywords();
    const std::string keyword = store.Keywords().front()->Keyword;
    TComPanyInfo company;
    company.AddMobile("13912345678");
    company.AddTel("020-12345678");
    company.address = Utf8ToGbk("广州市越秀区");
    company.source = SourceLabel(ENGINE_BAIDU);
    static long serial = 0;
    for (auto _ : state) {
      company.SetComName(Utf8ToGbk("新报告的公司") + std::to_string(++serial) +
                         (indexed ? "i" : "n") + std::to_string(state.range(0)));
      store.SaveCompany(keyword, company);
    }
  }
  DropNameIndex(folder, false);
}
BENCHMARK(BM_SaveCompany)
    ->ArgsProduct({{100000, 1000000}, {1, 0}})
    ->ArgNames({"stored", "nameIndex"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vlmr

int main(int argc, char** argv) {
  vlmr::TScopedQueueDispatcher ui;  // the loader hands its records over on this thread
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  vlmr::SetAppFolderOverride("");
  std::error_code ignored;
  std::filesystem::remove_all(vlmr::BenchFolder(), ignored);
  return 0;
}
