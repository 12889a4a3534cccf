// WriteWorkbook: the built-in path, the clipboard text, and the spreadsheet-application path
// through its seam.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/Clipboard.h"
#include "base/Text.h"
#include "export/WriteWorkbook.h"
#include "support/BiffReader.h"
#include "support/TempFolder.h"

namespace vlmr {
namespace {

TEST(SplitTextLines, BreaksAtEveryKindOfLineEnd) {
  struct {
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\nc", {"a", "b", "c"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"\n", {""}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitTextLines(c.text), c.lines) << c.text;
  }
}

TEST(WriteWorkbook, BuiltInPathWritesTheSheetAndLeavesTheTextOnTheClipboard) {
  SetSpreadsheetAutomationStarter({});
  test::TTempFolder folder;
  std::string file = folder.File("out.xls");
  std::vector<std::string> lines = {Utf8ToGbk("公司名\t手机"), "N\tA, B", "M\t"};
  ASSERT_TRUE(WriteWorkbook(file, lines));

  EXPECT_EQ(ClipboardText(), "公司名\t手机\r\nN\tA, B\r\nM\t\r\n");
  test::TBiffSheet sheet = test::ReadBiff(test::TTempFolder::Read(file));
  ASSERT_EQ(sheet.error, "");
  std::map<std::pair<int, int>, std::string> expected = {{{0, 0}, Utf8ToGbk("公司名")},
                                                         {{0, 1}, Utf8ToGbk("手机")},
                                                         {{1, 0}, "N"},
                                                         {{1, 1}, "A, B"},
                                                         {{2, 0}, "M"},
                                                         {{2, 1}, ""}};
  EXPECT_EQ(sheet.cells, expected);
}

TEST(WriteWorkbook, NoLinesGiveAnEmptySheet) {
  SetSpreadsheetAutomationStarter({});
  test::TTempFolder folder;
  ASSERT_TRUE(WriteWorkbook(folder.File("out.xls"), {}));
  test::TBiffSheet sheet = test::ReadBiff(test::TTempFolder::Read(folder.File("out.xls")));
  EXPECT_EQ(sheet.error, "");
  EXPECT_EQ(sheet.records.size(), 2u);
}

TEST(WriteWorkbook, AWriterFailureReachesTheCaller) {
  SetSpreadsheetAutomationStarter({});
  test::TTempFolder folder;
  EXPECT_ANY_THROW(WriteWorkbook(folder.File("missing/out.xls"), {"a\tb"}));
}

// A spreadsheet application that records what it was asked to do.
struct TFakeApplication : TSpreadsheetAutomation {
  struct TLog {
    std::vector<std::string> calls;
    std::string pasted;
  };
  TFakeApplication(std::shared_ptr<TLog> log, bool pasteFails, bool saveFails)
      : log(std::move(log)), pasteFails(pasteFails), saveFails(saveFails) {}
  void PasteIntoFirstSheet() override {
    log->calls.push_back("paste");
    log->pasted = ClipboardText();
    if (pasteFails)
      throw std::runtime_error("paste failed");
  }
  bool SaveAs(const std::string& fileName) override {
    log->calls.push_back("save " + fileName);
    return !saveFails;
  }
  void Quit() override { log->calls.push_back("quit"); }

  std::shared_ptr<TLog> log;
  bool pasteFails;
  bool saveFails;
};

TEST(WriteWorkbook, DrivesASpreadsheetApplicationThroughTheClipboard) {
  struct {
    const char* what;
    std::string fileName;
    bool pasteFails;
    bool saveFails;
    bool raises;
    std::vector<std::string> calls;
  } cases[] = {
      {"a name ending in .xls",
       "/x/a.xls",
       false,
       false,
       false,
       {"paste", "save /x/a.xls", "quit"}},
      {"a name without .xls gets it",
       "/x/a.txt",
       false,
       false,
       false,
       {"paste", "save /x/a.txt.xls", "quit"}},
      {"a failed save is not an error here",
       "/x/a.xls",
       false,
       true,
       false,
       {"paste", "save /x/a.xls", "quit"}},
      {"a failed paste reaches the caller, the application quits",
       "/x/a.xls",
       true,
       false,
       true,
       {"paste", "quit"}},
      {"no file name: the application quits", "", false, false, false, {"quit"}},
  };
  for (const auto& c : cases) {
    auto log = std::make_shared<TFakeApplication::TLog>();
    SetSpreadsheetAutomationStarter(
        [&] { return std::make_unique<TFakeApplication>(log, c.pasteFails, c.saveFails); });
    if (c.raises) {
      EXPECT_ANY_THROW(WriteWorkbook(c.fileName, {"a\tb"})) << c.what;
    } else {
      EXPECT_TRUE(WriteWorkbook(c.fileName, {"a\tb"})) << c.what;
    }
    EXPECT_EQ(log->calls, c.calls) << c.what;
    if (!c.fileName.empty()) {
      EXPECT_EQ(log->pasted, "a\tb\r\n") << c.what;
    }
  }
  SetSpreadsheetAutomationStarter({});
}

}  // namespace
}  // namespace vlmr
