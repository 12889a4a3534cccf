// The main window at the sizes it meets in use, offscreen:
// - the results view filled with 100 000 companies, and scrolling the filled grid to its end
//   and drawing it;
// - one company report handled (store save, grid row, texts) with 1 000 000 stored companies;
// - the longest the UI thread is held while three keywords run on all three engines against
//   the simulated web at the real pace with 100 000 rows on display (distribution of the gaps
//   of a 1 ms timer on the UI thread's event loop);
// - clicking a keyword of 100 000 and of 1 000 000 companies in a freshly started window while
//   companies are reported for it and for another keyword: the time from the click to the
//   first rows and to every row in the grid (the hand-over included), the longest gap of a
//   1 ms timer meanwhile, the longest wait of a reporting thread, the resident memory the
//   shown keyword added, and how long the program then takes to end.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/KeywordPanel.h"
#include "app/MainWindow.h"
#include "app/QtServices.h"
#include "app/ResultGridModel.h"
#include "app/ResultsView.h"
#include "base/Text.h"
#include "base/Thread.h"
#include "base/Utils.h"
#include "engine/CaijiBaidu.h"
#include "engine/CaijiPageCon.h"
#include "engine/Collector.h"
#include "net/HttpClient.h"
#include "platform/UserFolders.h"
#include "store/KeyListInfo.h"
#include "support/ConnectToWeb.h"
#include "support/EngineSites.h"
#include "support/SimulatedWeb.h"
#include "support/TempFolder.h"
#include "tasks/TaskBoard.h"

namespace vlmr {
namespace {

namespace fs = std::filesystem;

void Exec(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::fprintf(stderr, "%s\n", error ? error : "sqlite error");
    std::abort();
  }
}

// A program folder whose store holds `keywords` keywords named "k0".."k<n-1>", keyword "k0"
// with `first` companies and the others `each`. Made once per shape.
std::string Folder(int keywords, int first, int each) {
  static test::TTempFolder root;
  static std::map<std::vector<int>, std::string> made;
  const std::vector<int> shape{keywords, first, each};
  if (auto found = made.find(shape); found != made.end()) {
    return found->second;
  }
  const fs::path folder = root.Path() / ("s" + std::to_string(made.size()));
  fs::create_directories(folder);
  SetAppFolderOverride(folder.string());
  { TKeyListInfo create; }
  sqlite3* db = nullptr;
  sqlite3_open((folder / "Data" / "users").c_str(), &db);
  Exec(db, "begin");
  for (int k = 0; k < keywords; ++k) {
    const int count = k == 0 ? first : each;
    Exec(db,
         "insert into tbl_key(KeyStr,listcount,lastpage,sglastpage,s360lastpage,adddate) "
         "values ('k" +
             std::to_string(k) + "'," + std::to_string(count) + ",0,0,0,1790000000)");
    Exec(db, "with recursive n(i) as (select 0 union all select i+1 from n where i<" +
                 std::to_string(count - 1) +
                 ") insert into tbl_list(ComName,Addr,weburl,EMail,Tel,mob,qq,source,ispay,stat,"
                 "keyid,renzheng) select '广州市天河区第'||" +
                 std::to_string(k) +
                 "||'-'||i||'电子科技有限公司','广州市天河区天河路'||i||'号',"
                 "'http://www.c'||i||'.com.cn/','sales'||i||'@c.com.cn'||char(13,10),"
                 "'020-87654321'||char(13,10),(13800000000+i)||char(13,10),(100000+i)||char(13,10),"
                 "'百度',i%3=0,0," +
                 std::to_string(k + 1) + ",i%5=0 from n");
  }
  Exec(db, "commit");
  sqlite3_close(db);
  made.emplace(shape, folder.string());
  return folder.string();
}

TResultsView& View(Tfmjssml& window) {
  return *window.findChild<TResultsView*>("resultpane");
}

// A shown window on `folder` with keyword "k0" selected and its companies on display.
std::unique_ptr<Tfmjssml> ShownWindow(const std::string& folder) {
  SetAppFolderOverride(folder);
  auto window = std::make_unique<Tfmjssml>();
  window->resize(1007, 680);
  window->show();
  View(*window).SetKeyword("k0");
  window->Store()->LoadCompanies("k0");
  if (!QTest::qWaitFor(
          [&] {
            const TKeyData* record = window->Store()->FindKeyword("k0");
            return View(*window).Model().RowCount() > 0 && record && !record->LoadRunning();
          },
          600000)) {
    std::fprintf(stderr, "the companies of k0 did not load\n");
    std::abort();
  }
  return window;
}

void BM_FillResultGrid(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  auto window = ShownWindow(Folder(1, rows, 0));
  const TCompanyList& companies = *window->Store()->CompanyListOf("k0");
  for (auto _ : state) {
    View(*window).ShowCompanies(companies);
  }
  state.counters["rows"] = View(*window).Model().RowCount();
}
BENCHMARK(BM_FillResultGrid)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ScrollToTheEndAndDraw(benchmark::State& state) {
  auto window = ShownWindow(Folder(1, static_cast<int>(state.range(0)), 0));
  auto* grid = window->findChild<QTableView*>("dblist");
  QScrollBar* bar = grid->verticalScrollBar();
  bool end = false;
  for (auto _ : state) {
    end ? bar->setValue(bar->maximum()) : bar->setValue(0);
    end = !end;
    grid->viewport()->repaint();
  }
}
BENCHMARK(BM_ScrollToTheEndAndDraw)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_CompanyReport(benchmark::State& state) {
  const int stored = static_cast<int>(state.range(0));
  // Every stored company belongs to the keyword on display.
  auto window = ShownWindow(Folder(1, stored, 0));
  int serial = 0;
  for (auto _ : state) {
    TComPanyInfo company;
    company.keyword = "k0";
    company.SetComName(Utf8ToGbk("新发现的电子科技有限公司") + std::to_string(serial++));
    company.AddMobile("13912345678");
    company.AddQQ("123456");
    company.source = Utf8ToGbk("百度");
    SendCollectReport(window->Handle(), TCompanyReport{&company});
  }
  state.counters["stored"] = static_cast<double>(window->Store()->TotalCompanyCount());
}
BENCHMARK(BM_CompanyReport)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// The resident size of the process in kB.
long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, 6, "VmRSS:") == 0) {
      return std::stol(line.substr(6));
    }
  }
  return 0;
}

void BM_ClickToShown(benchmark::State& state) {
  const int stored = static_cast<int>(state.range(0));
  // "k0" holds the companies; "k1" is a second keyword whose task saves meanwhile.
  const std::string folder = Folder(2, stored, 10);
  double firstMs = 0, allMs = 0, maxGapMs = 0, maxReportMs = 0, endMs = 0, addedKb = 0;
  double longestAtMs = 0;  // when the longest hold ended, from the click
  long reports = 0;
  for (auto _ : state) {
    SetAppFolderOverride(folder);
    auto window = std::make_unique<Tfmjssml>();
    window->resize(1007, 680);
    window->show();
    QTest::qWait(200);
    auto* grid = window->findChild<QTableView*>("dblist");
    const long baseKb = ResidentKb();

    // Collectors report companies for the keyword clicked and for another one, each report
    // waiting until the window has handled it, as a collector's thread does.
    std::atomic<bool> stop{false};
    std::atomic<bool> reporterDone{false};
    std::atomic<long> sent{0};
    std::atomic<std::int64_t> longestReportNs{0};
    std::thread reporter([&] {
      while (!stop.load()) {
        TComPanyInfo company;
        const long n = sent.fetch_add(1);
        company.keyword = n % 2 == 0 ? "k0" : "k1";
        company.SetComName(Utf8ToGbk("点击时报告的电子科技有限公司") + std::to_string(n));
        company.AddMobile("13912345678");
        company.source = Utf8ToGbk("百度");
        QElapsedTimer wait;
        wait.start();
        SendCollectReport(window->Handle(), TCompanyReport{&company});
        const std::int64_t ns = wait.nsecsElapsed();
        std::int64_t seen = longestReportNs.load();
        while (ns > seen && !longestReportNs.compare_exchange_weak(seen, ns)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      reporterDone = true;
    });

    QEventLoop loop;
    QElapsedTimer sinceClick, tick;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(1);
    double longest = 0;
    bool first = false;
    QObject::connect(&timer, &QTimer::timeout, [&] {
      const double gap = static_cast<double>(tick.nsecsElapsed()) / 1e6;
      if (gap > longest) {
        longest = gap;
        longestAtMs = static_cast<double>(sinceClick.nsecsElapsed()) / 1e6;
      }
      tick.restart();
      const int rows = View(*window).Model().RowCount();
      // The first screen: the grid starts with the first stored company (ListID 1), not
      // with a company reported meanwhile.
      const auto& top = View(*window).Model().CompanyAt(0);
      if (!first && top && top->listId == "1") {
        grid->viewport()->repaint();
        first = true;
        firstMs = static_cast<double>(sinceClick.nsecsElapsed()) / 1e6;
      }
      const TKeyData* record = window->Store()->FindKeyword("k0");
      if (rows >= stored && record && !record->LoadRunning()) {
        grid->viewport()->repaint();
        allMs = static_cast<double>(sinceClick.nsecsElapsed()) / 1e6;
        loop.quit();
      }
    });
    QTimer::singleShot(600000, &loop, &QEventLoop::quit);
    tick.start();
    sinceClick.start();
    timer.start();
    emit window->findChild<TKeywordPanel*>()->selected("k0");
    loop.exec();
    timer.stop();
    stop = true;
    while (!reporterDone.load()) {
      QApplication::processEvents();  // the reporter may be waiting for the UI thread
    }
    reporter.join();
    maxGapMs = longest;
    maxReportMs = static_cast<double>(longestReportNs.load()) / 1e6;
    reports = sent.load();
    addedKb = static_cast<double>(ResidentKb() - baseKb);

    QElapsedTimer ending;
    ending.start();
    window->RequestEnd();
    window.reset();
    endMs = static_cast<double>(ending.nsecsElapsed()) / 1e6;
  }
  state.counters["firstRowsMs"] = firstMs;
  state.counters["allRowsMs"] = allMs;
  state.counters["uiHoldMaxMs"] = maxGapMs;
  state.counters["uiHoldMaxEndedAtMs"] = longestAtMs;
  state.counters["reportWaitMaxMs"] = maxReportMs;
  state.counters["reports"] = static_cast<double>(reports);
  state.counters["rssAddedMB"] = addedKb / 1024;
  state.counters["bytesPerCompany"] = addedKb * 1024 / stored;
  state.counters["endMs"] = endMs;
}
BENCHMARK(BM_ClickToShown)->Arg(100000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

// A company name from a number, in Chinese numerals (names are told apart by their text).
std::string NumberName(long n) {
  static const char* const digits[] = {"零", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
  std::string name = "华";
  for (char c : std::to_string(n)) {
    name += digits[c - '0'];
  }
  return name + "电子有限公司";
}

void BM_UiHeldWhileThreeTasksRun(benchmark::State& state) {
  const int seconds = static_cast<int>(state.range(0));
  auto window = ShownWindow(Folder(1, 100000, 0));
  InitNetwork();
  test::TTempFolder lastPage;
  TCaijiBaidu::SetLastPageFolderForTesting(lastPage.Path().string());
  test::TSimulatedWeb web;
  test::TConnectToWeb connect(web);
  test::TEngineSites sites(web);
  // Every result page names six new sites; every site has a mobile number and a name of its
  // own ("www.s<n>.com" is named after n).
  web.SetDefaultHandler([](const test::TRequest& request) {
    const long n = std::strtol(request.host.c_str() + std::min<std::size_t>(5, request.host.size()),
                               nullptr, 10);
    return test::TPage::Html("<html><head><title>" + NumberName(n) +
                             "</title></head><body>手机：13800138000 电话：020-87654321"
                             "<br>地址：广州市天河区体育西路100号</body></html>");
  });
  std::atomic<long> serial{0};
  for (auto engine :
       {test::TSearchEngine::Baidu, test::TSearchEngine::Sogou, test::TSearchEngine::So360}) {
    sites.SetGenerator(engine, [engine, &serial](int) {
      test::TBaiduPage baidu;
      test::TLinkPage links;
      for (int i = 0; i < 6; ++i) {
        const long n = serial.fetch_add(1);
        const std::string url = "http://www.s" + std::to_string(n) + ".com/";
        baidu.results.push_back({NumberName(n), url});
        links.results.push_back({NumberName(n), url, i % 2 == 0});
      }
      switch (engine) {
        case test::TSearchEngine::Baidu:
          return test::TPage::Html(test::BaiduHtml(baidu));
        case test::TSearchEngine::Sogou:
          return test::TPage::Html(test::SogouHtml(links));
        default:
          return test::TPage::Html(test::So360Html(links));
      }
    });
  }

  std::vector<double> gaps;
  const std::int64_t before = window->Store()->TotalCompanyCount();
  for (auto _ : state) {
    for (const char* k : {"a", "b", "c"}) {
      window->Store()->AddKeyword(k);
      window->Board()->Start(k);  // loads the keyword first, then starts it
    }
    if (!QTest::qWaitFor(
            [&] {
              for (const char* k : {"a", "b", "c"}) {
                if (!window->Board()->HasTask(k)) {
                  return false;
                }
              }
              return true;
            },
            60000)) {
      state.SkipWithError("the tasks did not start");
      break;
    }
    // The 100 000 companies of k0 on display while the tasks run.
    window->Store()->LoadCompanies("k0");
    // The UI thread's own event loop, with a 1 ms timer whose gaps show how long it is held.
    QEventLoop loop;
    QElapsedTimer tick;
    tick.start();
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      gaps.push_back(static_cast<double>(tick.nsecsElapsed()) / 1e6);
      tick.restart();
    });
    timer.start();
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    timer.stop();
    for (const char* k : {"a", "b", "c"}) {
      window->Board()->Stop(k, false);
    }
    TWorkerRegistry::WaitUntilEmpty(20000, [] { QApplication::processEvents(); });
  }
  std::sort(gaps.begin(), gaps.end());
  auto at = [&](double q) {
    return gaps.empty() ? 0.0 : gaps[static_cast<std::size_t>(q * (gaps.size() - 1))];
  };
  state.counters["rowsShown"] = View(*window).Model().RowCount();
  state.counters["companiesSaved"] =
      static_cast<double>(window->Store()->TotalCompanyCount() - before);
  state.counters["gapP50ms"] = at(0.5);
  state.counters["gapP99ms"] = at(0.99);
  state.counters["gapP999ms"] = at(0.999);
  state.counters["gapMaxMs"] = gaps.empty() ? 0.0 : gaps.back();
  window.reset();
  TCaijiBaidu::SetLastPageFolderForTesting("");
}
BENCHMARK(BM_UiHeldWhileThreeTasksRun)->Arg(30)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace vlmr

int main(int argc, char** argv) {
  // The window records its install path and makes its first-run shortcut: in a home of its
  // own, not the user's.
  static vlmr::test::TTempFolder home;
  qputenv("HOME", home.Path().string().c_str());
  qputenv("XDG_CONFIG_HOME", (home.Path() / ".config").string().c_str());
  std::filesystem::create_directories(home.Path() / "Desktop");
  vlmr::SetUserFoldersRootForTesting(home.Path().string());
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  auto dispatcher = vlmr::InstallQtServices();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  vlmr::UninstallQtServices(dispatcher);
  return 0;
}
