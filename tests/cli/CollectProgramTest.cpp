// vlmr-collect as a whole program (its test build, which reaches the simulated web and paces
// faster than real time): runs that end by the idle rule, by --for and by signals, the pages a
// second run resumes at, the output modes, list and export, and bad input.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "base/Text.h"
#include "cli/CollectProcess.h"
#include "cli/CollectWeb.h"
#include "platform/FolderLock.h"
#include "support/TempFolder.h"

namespace vlmr::test {
namespace {

constexpr int kRunMs = 60000;  // bound of a whole run; runs end in seconds
const char* const kKeyword = "广州 电子公司";

class CollectProgramTest : public ::testing::Test {
 protected:
  std::string Data() const { return root_.File("data"); }

  std::unique_ptr<TCollectProcess> Start(const TCollectWeb& web, std::vector<std::string> args,
                                         bool terminal = false) {
    TCollectProcess::TSetup setup;
    setup.args = std::move(args);
    // The user's own proxies never reach a test run.
    setup.env = {{"VLMR_TEST_WEB_PORT", std::to_string(web.Port())},
                 {"XDG_CONFIG_HOME", root_.File("config")}};
    setup.folder = root_.Path().string();
    setup.terminal = terminal;
    auto process = std::make_unique<TCollectProcess>(VLMR_COLLECT_TESTBUILD, setup);
    EXPECT_TRUE(process->Started());
    return process;
  }
  // Runs to the end; the exit code.
  int RunToEnd(TCollectProcess& process) {
    const int code = process.Wait(kRunMs);
    EXPECT_NE(code, -1) << "still running; output:\n" << process.Out() << process.Err();
    return code;
  }
  // The stored pages of the keyword, per engine.
  std::vector<int> StoredPages() {
    for (const auto& row : StoredKeywords(Data())) {
      if (row[0] == std::optional<std::string>(kKeyword))
        return {std::stoi(*row[2]), std::stoi(*row[3]), std::stoi(*row[4])};
    }
    ADD_FAILURE() << "keyword not stored";
    return {};
  }
  static int Count(const std::vector<std::string>& lines, const std::string& prefix) {
    return static_cast<int>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
  }

  TTempFolder root_;
};

TEST_F(CollectProgramTest, RunStoresEveryCompanyAndEndsByTheIdleRule) {
  TCollectWeb web(1);  // pages 0 and 1 of each engine carry a company
  auto run = Start(web, {"run", kKeyword, "--data", Data(), "--json"});
  ASSERT_EQ(RunToEnd(*run), 0) << run->Err();

  const std::vector<std::string> lines = run->OutLines();
  EXPECT_EQ(Count(lines, R"({"event":"company")"), 6) << run->Out();
  EXPECT_GE(Count(lines, R"({"event":"page")"), 3 * 2);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(),
            R"({"event":"ended","keyword":"广州 电子公司","reason":"idle","companies":6})");
  EXPECT_NE(run->Out().find(R"("name":"百度1号机电设备有限公司","mobiles":["13800000001"])"),
            std::string::npos);

  const TRows companies = StoredCompanies(Data());
  ASSERT_EQ(companies.size(), 6u);
  std::set<std::string> names;
  for (const auto& row : companies) {
    names.insert(GbkToUtf8(Utf8ToGbk(*row[1])));
    EXPECT_EQ(row[0], std::optional<std::string>(kKeyword));
  }
  for (int engine = 0; engine < 3; ++engine)
    for (int i = 0; i <= 1; ++i)
      EXPECT_TRUE(names.count(CompanyName(engine, i))) << CompanyName(engine, i);
  // Stored pages are where the last page reports left each engine, or one page on.
  const std::vector<int> pages = StoredPages();
  ASSERT_EQ(pages.size(), 3u);
  for (int page : pages)
    EXPECT_GE(page, 2);
}

TEST_F(CollectProgramTest, StopSignalsEndInOrderAndTheNextRunResumesAtTheStoredPages) {
  struct Case {
    int signal;
    int code;
  } cases[] = {{SIGINT, 130}, {SIGTERM, 143}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.signal);
    std::filesystem::remove_all(Data());
    TCollectWeb web(kEndlessPages);  // a new company on every page: the idle rule never ends it
    auto run = Start(web, {"run", kKeyword, "--data", Data(), "--json"});
    ASSERT_TRUE(run->WaitForOut(
        [](const std::string& out) {
          return out.find(R"("engine":"baidu","page":3)") != std::string::npos &&
                 out.find(R"("engine":"sogou","page":2)") != std::string::npos &&
                 out.find(R"("engine":"360","page":2)") != std::string::npos;
        },
        kRunMs))
        << run->Out() << run->Err();
    // While it runs the collector holds the folder: the window could not take it.
    TFolderLock window(Data());
    EXPECT_EQ(window.Acquire(), TFolderLock::TResult::Busy);
    run->Signal(c.signal);
    ASSERT_EQ(RunToEnd(*run), c.code) << run->Err();
    const std::vector<std::string> lines = run->OutLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find(R"("reason":"interrupted")"), std::string::npos) << lines.back();

    const std::vector<int> stored = StoredPages();
    ASSERT_EQ(stored.size(), 3u);
    const std::size_t before = StoredCompanies(Data()).size();
    web.Sites().SetClock({});
    const std::size_t asked = web.Sites().Log().size();
    auto again = Start(web, {"run", kKeyword, "--data", Data(), "--for", "0.01", "--json"});
    ASSERT_EQ(RunToEnd(*again), 0) << again->Err();
    // Every engine's first request of the second run is the page stored for it.
    const auto log = web.Sites().Log();
    std::map<int, int> first;
    for (std::size_t i = asked; i < log.size(); ++i)
      first.emplace(static_cast<int>(log[i].engine), log[i].index);
    EXPECT_EQ(first, (std::map<int, int>{{0, stored[0]}, {1, stored[1]}, {2, stored[2]}}));
    // Nothing stored twice: the second run added companies of pages the first did not reach.
    const TRows after = StoredCompanies(Data());
    std::set<std::optional<std::string>> names;
    for (const auto& row : after)
      names.insert(row[1]);
    EXPECT_EQ(names.size(), after.size());
    EXPECT_GT(after.size(), before);
    EXPECT_NE(again->OutLines().back().find(R"("reason":"time")"), std::string::npos);
  }
}

TEST_F(CollectProgramTest, ASecondInterruptEndsAtOnceAndTheStoreStaysSound) {
  TCollectWeb web(kEndlessPages);
  auto run = Start(web, {"run", kKeyword, "--data", Data(), "--json"});
  ASSERT_TRUE(run->WaitForOut(
      [](const std::string& out) { return out.find(R"("event":"company")") != std::string::npos; },
      kRunMs));
  run->Signal(SIGINT);
  run->Signal(SIGINT);
  EXPECT_EQ(RunToEnd(*run), 130);

  TRawDb db(Data() + "/Data/users");
  EXPECT_EQ(db.Rows("pragma integrity_check"), (TRows{{std::optional<std::string>("ok")}}));
  // The next run opens it and goes on.
  auto again = Start(web, {"run", kKeyword, "--data", Data(), "--for", "0.01"});
  EXPECT_EQ(RunToEnd(*again), 0) << again->Err();
}

TEST_F(CollectProgramTest, OutputIsPlainLinesOffATerminalAndALiveBlockOnOne) {
  TCollectWeb web(0);
  auto plain = Start(web, {"run", kKeyword, "--data", Data(), "--engines", "baidu"});
  ASSERT_EQ(RunToEnd(*plain), 0) << plain->Err();
  const std::vector<std::string> lines = plain->OutLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(Count(lines,
                  "company\t广州 电子公司\t百度0号机电设备有限公司\t13800000000\t"
                  "http://www.e0-p0.com/"),
            1)
      << plain->Out();
  EXPECT_EQ(lines.back(), "ended\t广州 电子公司\tidle\t1");
  // Pages in order, three of them at least after the one with the company.
  std::vector<std::string> pages;
  for (const std::string& line : lines) {
    if (line.rfind("page\t", 0) == 0)
      pages.push_back(line);
  }
  ASSERT_GE(pages.size(), 3u);
  for (std::size_t i = 0; i < pages.size(); ++i)
    EXPECT_EQ(pages[i], "page\t广州 电子公司\tbaidu\t" + std::to_string(i + 1));
  EXPECT_EQ(plain->Out().find('\x1b'), std::string::npos);

  std::filesystem::remove_all(Data());
  auto live = Start(web, {"run", kKeyword, "--data", Data(), "--engines", "baidu"}, true);
  ASSERT_EQ(RunToEnd(*live), 0) << live->Err();
  const std::string out = live->Out();
  EXPECT_NE(out.find("\x1b[2K"), std::string::npos);
  EXPECT_NE(out.find("本次入库 1 家"), std::string::npos) << out;
  EXPECT_NE(out.find("已结束（空闲）"), std::string::npos) << out;
  EXPECT_EQ(out.find("{\"event\""), std::string::npos);
}

TEST_F(CollectProgramTest, ListAndExportShowWhatARunStored) {
  TCollectWeb web(0);
  auto run = Start(web, {"run", kKeyword, "甲 公司", "广州 电子公司", "--data", Data(), "--json"});
  ASSERT_EQ(RunToEnd(*run), 0) << run->Err();

  auto list = Start(web, {"list", "--data", Data(), "--json"});
  ASSERT_EQ(RunToEnd(*list), 0) << list->Err();
  const std::vector<std::string> lines = list->OutLines();
  // The same keyword twice is one task; the companies are stored once across keywords.
  ASSERT_EQ(lines.size(), 2u) << list->Out();
  std::size_t total = 0;
  for (const std::string& line : lines) {
    const std::size_t at = line.find(R"("companies":)");
    ASSERT_NE(at, std::string::npos) << line;
    total += std::stoul(line.substr(at + 12));
  }
  EXPECT_EQ(total, 3u);

  // Export the keyword that holds companies, as the window's export writes it.
  std::string keyword;
  for (const std::string& line : lines) {
    if (line.find(R"("companies":0)") == std::string::npos)
      keyword = line.substr(12, line.find("\",\"companies\"") - 12);
  }
  ASSERT_FALSE(keyword.empty());
  const std::string file = root_.File("out.txt");
  auto exporter = Start(web, {"export", keyword, "--format", "txt", "--fields", "name,mobile", "-o",
                              file, "--data", Data()});
  ASSERT_EQ(RunToEnd(*exporter), 0) << exporter->Err();
  std::ifstream in(file, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (const auto& row : StoredCompanies(Data())) {
    if (row[0] == std::optional<std::string>(keyword)) {
      EXPECT_NE(GbkToUtf8(text).find(*row[2]), std::string::npos) << GbkToUtf8(text);
    }
  }
  EXPECT_EQ(GbkToUtf8(text).find("广州市天河区"), std::string::npos);  // not a chosen field

  // The formats beside the described two: CSV is UTF-8 behind a byte-order mark.
  const std::string csv = root_.File("out.csv");
  auto csvExporter =
      Start(web, {"export", keyword, "--format", "csv", "-o", csv, "--data", Data()});
  ASSERT_EQ(RunToEnd(*csvExporter), 0) << csvExporter->Err();
  std::ifstream csvIn(csv, std::ios::binary);
  const std::string csvText((std::istreambuf_iterator<char>(csvIn)),
                            std::istreambuf_iterator<char>());
  ASSERT_EQ(csvText.rfind("\xEF\xBB\xBF", 0), 0u);
  for (const auto& row : StoredCompanies(Data())) {
    if (row[0] == std::optional<std::string>(keyword)) {
      EXPECT_NE(csvText.find(*row[1] + ","), std::string::npos) << csvText;  // the name
    }
  }

  // A region none of its companies is in writes nothing and says so.
  auto nowhere = Start(web, {"export", keyword, "--format", "txt", "--region", "火星", "-o",
                             root_.File("r.txt"), "--data", Data()});
  EXPECT_EQ(RunToEnd(*nowhere), 1);
  EXPECT_NE(nowhere->Err().find("没有地区[火星]"), std::string::npos) << nowhere->Err();
  EXPECT_FALSE(std::filesystem::exists(root_.File("r.txt")));

  auto empty = Start(
      web, {"export", "甲 公司", "--format", "xls", "-o", root_.File("e.xls"), "--data", Data()});
  if (keyword != "甲 公司") {
    EXPECT_EQ(RunToEnd(*empty), 1);
    EXPECT_NE(empty->Err().find("没有可导出的记录"), std::string::npos) << empty->Err();
    EXPECT_FALSE(std::filesystem::exists(root_.File("e.xls")));
  }
}

TEST_F(CollectProgramTest, BadInputGetsAClearMessageAndTheRightCodeAndLosesNothing) {
  TCollectWeb web(0);
  // A store with a keyword in it, and a corrupt database in a folder of its own.
  auto firstRun = Start(web, {"run", kKeyword, "--data", Data(), "--engines", "360"});
  ASSERT_EQ(RunToEnd(*firstRun), 0) << firstRun->Err();
  const TRows storedBefore = StoredCompanies(Data());
  const std::string corrupt = root_.File("corrupt");
  std::filesystem::create_directories(corrupt + "/Data");
  const std::string garbage(4096, 'x');
  std::ofstream(corrupt + "/Data/users", std::ios::binary) << garbage;
  std::ofstream(root_.File("file")) << "a file, not a folder";

  struct Case {
    std::vector<std::string> args;
    int code;
    std::string says;
  } cases[] = {
      {{"run", "", "--data", Data()}, 2, "关键词不能为空"},
      {{"run", "   ", "--data", Data()}, 2, "关键词不能为空"},
      {{"run", "广州 😀", "--data", Data()}, 2, "GBK 无法表示的字符：😀"},
      {{"run", "k", "--engines", "baidu,google", "--data", Data()}, 2, "未知的搜索引擎：google"},
      {{"run", "k", "--for", "0", "--data", Data()}, 2, "--for 需要一个正的分钟数"},
      {{"run", "--data", Data()}, 2, "keywords is required"},
      {{"fetch"}, 2, "vlmr-collect --help"},
      {{"export", kKeyword, "--format", "pdf", "-o", "x", "--data", Data()}, 2, "pdf"},
      {{"export", kKeyword, "--format", "txt", "--fields", "fax", "-o", "x", "--data", Data()},
       2,
       "未知的导出字段：fax"},
      {{"run", "k", "--data", root_.File("file") + "/sub"}, 1, "无法写入数据文件夹"},
      {{"run", "k", "--data", corrupt}, 1, "无法打开数据库文件 Data/users"},
      {{"list", "--data", root_.File("nowhere")}, 1, "中没有数据库 Data/users"},
      {{"export", "没有的词", "--format", "txt", "-o", "x", "--data", Data()}, 1, "没有关键词"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "" : c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
    auto process = Start(web, c.args);
    EXPECT_EQ(RunToEnd(*process), c.code);
    const std::string err = process->Err();
    EXPECT_NE(err.find(c.says), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_TRUE(process->Out().empty()) << process->Out();
  }
  EXPECT_EQ(StoredCompanies(Data()), storedBefore);
  EXPECT_EQ(StoredKeywords(Data()).size(), 1u);
  std::ifstream in(corrupt + "/Data/users", std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()),
            garbage);
  EXPECT_FALSE(std::filesystem::exists(root_.File("x")));
}

TEST_F(CollectProgramTest, AFolderAnotherWriterHoldsIsRefused) {
  TCollectWeb web(0);
  TFolderLock window(Data());  // as the window holds it while it runs
  ASSERT_EQ(window.Acquire(), TFolderLock::TResult::Held);
  auto run = Start(web, {"run", kKeyword, "--data", Data()});
  EXPECT_EQ(RunToEnd(*run), 1);
  EXPECT_NE(run->Err().find("正被 vlmr 窗口或另一个 vlmr-collect 使用"), std::string::npos)
      << run->Err();
  EXPECT_FALSE(std::filesystem::exists(Data() + "/Data/users"));
  EXPECT_TRUE(web.Sites().Log().empty());
}

}  // namespace
}  // namespace vlmr::test
