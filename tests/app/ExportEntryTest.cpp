// The main window's way into the export and the detail window: the export command from an
// item's button, the top band's button and the item menu, with the load it may need first, and
// a double-click on a grid row.
#include <QAction>
#include <QMenu>
#include <QTableView>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "app/WindowFixture.h"
#include "platform/Shell.h"
#include "support/PresetFileDialogs.h"
#include "windows/Cominfo.h"
#include "windows/ExportSave.h"
#include "windows/Selfiled.h"
#include "windows/ShowInFolder.h"

namespace vlmr::test {
namespace {

class ExportEntryTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    files_ = TPresetFileDialogs::Install();
    SetShowSavedFileForTesting([this](const std::string& path) { shown_.push_back(path); });
    // A keyword with three companies, stored by an earlier run of the program.
    NewWindow();
    W().Store()->AddKeyword("a");
    for (int i = 1; i <= 3; ++i) {
      TComPanyInfo c;
      c.SetComName(Utf8ToGbk("甲乙丙有限公司") + std::to_string(i));
      c.AddMobile("1380000000" + std::to_string(i));
      W().Store()->SaveCompany("a", c);
    }
    NewWindow();
  }
  void TearDown() override {
    SetShowSavedFileForTesting({});
    InstallFileDialogService(nullptr);
    WindowTest::TearDown();
  }
  Tfmselfiled* Dialog() { return W().findChild<Tfmselfiled*>(); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::shared_ptr<TPresetFileDialogs> files_;
  std::vector<std::string> shown_;
};

TEST_F(ExportEntryTest, AKeywordNeverLoadedIsExportedFromItsItem) {
  ASSERT_EQ(W().Store()->CompanyListOf("a")->size(), 0u);  // not loaded in this run
  QTest::mouseClick(Item("a")->exportButton, Qt::LeftButton);
  EXPECT_TRUE(Find<QWidget>("rcloading")->isVisible());
  ASSERT_TRUE(Until([&] { return Dialog() != nullptr; }));
  EXPECT_FALSE(Find<QWidget>("rcloading")->isVisible());
  EXPECT_EQ(Dialog()->Keyword(), "a");
  EXPECT_EQ(Grid().RowCount(), 0);  // an export does not fill the grid

  const std::string file = (root_.Path() / "a.txt").string();
  files_->Answer(file);
  boxes_->Answer(MB_RESULT_CANCEL);  // "数据导出成功，是否打开文件保存目录？"
  Dialog()->Label4Click();           // mobile numbers only, as text
  Dialog()->qClick();
  EXPECT_EQ(AskedTexts().back(), "数据导出成功，是否打开文件保存目录？");
  EXPECT_EQ(Read(file), "13800000001\r\n13800000002\r\n13800000003\r\n");
  EXPECT_TRUE(shown_.empty());
}

TEST_F(ExportEntryTest, EveryEntryOfALoadedKeywordOpensANewDialog) {
  ClickItem("a");
  ASSERT_TRUE(Until([&] { return Grid().RowCount() == 3; }));
  // The top band's button exports the keyword in the entry box; the item menu its item's.
  QTest::mouseClick(Find<QPushButton>("BitmapButton3"), Qt::LeftButton);
  RightClickItem("a");
  Find<QMenu>("pmkey")->hide();
  Find<QAction>("N10")->trigger();
  EXPECT_EQ(W().findChildren<Tfmselfiled*>().size(), 2);
  EXPECT_FALSE(Find<QWidget>("rcloading")->isVisible());
  EXPECT_TRUE(boxes_->Asked().empty());
}

TEST_F(ExportEntryTest, DoubleClickShowsTheCompanyInOneDetailWindow) {
  ClickItem("a");
  ASSERT_TRUE(Until([&] { return Grid().RowCount() == 3; }));
  DoubleClickRow(0);
  Tfmcominfo* shown = CurrentCompanyWindow();
  ASSERT_NE(shown, nullptr);
  DoubleClickRow(2);
  EXPECT_EQ(CurrentCompanyWindow(), shown);  // refilled, not a second window
  shown->close();
}

TEST(ShowInFolder, WithoutAFileManagerTheUserIsToldWhereTheFileIs) {
  if (std::getenv("DBUS_SESSION_BUS_ADDRESS"))
    GTEST_SKIP() << "a session bus may have a file manager here";
  auto boxes = TPresetMessageBoxes::Install();
  SetShellOpenProgramForTesting("/bin/true");  // an opener that opens nothing
  ShowFileInFolder("/tmp/导出/广州 电子公司.txt");
  SetShellOpenProgramForTesting("");
  ASSERT_EQ(boxes->Asked().size(), 1u);
  EXPECT_EQ(GbkToUtf8(boxes->Asked()[0].text),
            "未能打开文件管理器，文件已保存在：\r\n/tmp/导出/广州 电子公司.txt");
  EXPECT_EQ(boxes->Asked()[0].kind, MB_KIND_INFORMATION);
  InstallMessageBoxService(nullptr);
}

}  // namespace
}  // namespace vlmr::test
