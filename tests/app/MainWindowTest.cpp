#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/FindChild.h"
#include "app/MainWindow.h"
#include "app/ResultsView.h"
#include "base/MessageBox.h"
#include "base/Text.h"
#include "base/Thread.h"
#include "base/Utils.h"
#include "platform/ProfileFile.h"
#include "platform/Registry.h"
#include "platform/UserFolders.h"
#include "support/PresetMessageBoxes.h"

namespace fs = std::filesystem;

namespace vlmr {
namespace {

using test::Child;

const char* const kInstallKey = "HKEY_CURRENT_USER\\SOFTWARE\\tarnwelt\\vlmr";

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("vlmr-app-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "app");
    fs::create_directories(root_ / "home" / "Desktop");
    SetAppFolderOverride((root_ / "app").string());
    SetUserFoldersRootForTesting((root_ / "home").string());
    boxes_ = test::TPresetMessageBoxes::Install();
  }
  void TearDown() override {
    window_.reset();
    InstallMessageBoxService(nullptr);
    SetAppFolderOverride("");
    SetUserFoldersRootForTesting("");
    fs::remove_all(root_);
  }

  Tfmjssml& NewWindow() {
    window_.reset();
    window_ = std::make_unique<Tfmjssml>();
    return *window_;
  }
  fs::path Shortcut() const { return root_ / "home" / "Desktop" / "app_tests.desktop"; }

  fs::path root_;
  std::shared_ptr<test::TPresetMessageBoxes> boxes_;
  std::unique_ptr<Tfmjssml> window_;
};

TEST_F(MainWindowTest, CaptionComponentsAndStartState) {
  Tfmjssml& w = NewWindow();
  EXPECT_EQ(w.windowTitle(), QString("app_tests V1.5"));
  EXPECT_EQ(w.baseName, "app_tests");
  EXPECT_EQ(w.TrayIcon1->toolTip(), QString("app_tests V1.5"));
  EXPECT_FALSE(w.closeAllowed);
  EXPECT_TRUE(Child<TResultsView>(w, "resultpane")->Keyword().empty());
  for (QCheckBox* c :
       {Child<QCheckBox>(w, "chkbd"), Child<QCheckBox>(w, "chksg"), Child<QCheckBox>(w, "chk360")})
    EXPECT_TRUE(c->isChecked());
  EXPECT_EQ(Child<QPushButton>(w, "btnbaidustart")->text(), QString::fromUtf8("添加任务"));
  EXPECT_EQ(Child<QPushButton>(w, "BitmapButton3")->text(), QString::fromUtf8("导出资料"));
  EXPECT_EQ(Child<QLabel>(w, "txtinfo")->text(), QString::fromUtf8("在此处输入关键词添加任务"));
  EXPECT_EQ(Child<QLabel>(w, "txttiptitle")->text(), QString::fromUtf8("温馨提示："));
  EXPECT_EQ(Child<QAction>(w, "N1")->text(), QString::fromUtf8("显示界面"));
  EXPECT_EQ(Child<QAction>(w, "N11")->text(), QString::fromUtf8("退出"));
  // This build names no vendor: no configuration is fetched and the start-up timer is armed.
  EXPECT_TRUE(w.tmrinit->isActive());
  EXPECT_EQ(w.tmrinit->interval(), 1000);
  for (const char* name : {"edtSearchKey", "txtinfo", "btnbaidustart", "chkbd", "chksg", "chk360",
                           "BitmapButton3", "txttiptitle", "txttip", "btnclearhis", "listkey",
                           "txtkeylist", "dblist", "imgbg", "rcloading", "txtrel", "txtstat"}) {
    EXPECT_NE(w.findChild<QWidget*>(name), nullptr) << name;
  }
  w.show();
  EXPECT_TRUE(Child<QLabel>(w, "imgbg")->isVisible());
  EXPECT_FALSE(Child<QWidget>(w, "rcloading")->isVisible());
  EXPECT_FALSE(Child<QLineEdit>(w, "edtSearchKey")->isVisible());
}

TEST_F(MainWindowTest, CloseHidesAndShowBringsItBack) {
  Tfmjssml& w = NewWindow();
  w.show();
  EXPECT_FALSE(w.closeAllowed);
  EXPECT_FALSE(w.close());  // refused: only hidden
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(w.Ending());
  EXPECT_TRUE(w.closeAllowed);  // hidden: the next close request closes
  w.ShowMainWindow();
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.closeAllowed);
  w.showMinimized();
  Child<QAction>(w, "N1")->trigger();  // "显示界面"
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.isMinimized());
}

TEST_F(MainWindowTest, ExitAsksAndCancelKeepsEverything) {
  Tfmjssml& w = NewWindow();
  w.show();
  boxes_->Answer(MB_RESULT_CANCEL);
  Child<QAction>(w, "N11")->trigger();
  ASSERT_EQ(boxes_->Asked().size(), 1u);
  EXPECT_EQ(GbkToUtf8(boxes_->Asked()[0].text), "确定要退出[app_tests]吗？");
  EXPECT_EQ(GbkToUtf8(boxes_->Asked()[0].caption), "提示");
  EXPECT_EQ(boxes_->Asked()[0].kind, MB_KIND_QUESTION);
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.Ending());
  EXPECT_TRUE(w.Handle() && !w.Handle()->IsClosed());
}

// A worker that keeps reporting to the window until asked to stop.
class TReporter : public TWorkerThread {
 public:
  TReporter(TWindowHandle target, std::atomic<int>* sent)
      : target_(std::move(target)), sent_(sent) {}

 protected:
  void Execute() override {
    std::string status = "status";
    for (int i = 0; i < 20; ++i) {
      target_->Send(4035, 3, reinterpret_cast<std::intptr_t>(&status));
      sent_->fetch_add(1);
    }
  }

 private:
  TWindowHandle target_;
  std::atomic<int>* sent_;
};

TEST_F(MainWindowTest, ExitWaitsForWorkersThatAreSendingReports) {
  Tfmjssml& w = NewWindow();
  w.show();
  std::atomic<int> sent{0};
  (new TReporter(w.Handle(), &sent))->Start();
  boxes_->Answer(MB_RESULT_OK);
  w.N11Click();
  EXPECT_TRUE(w.Ending());
  EXPECT_FALSE(w.isVisible());
  // Every blocking send was answered while the end waited, and no worker is left.
  EXPECT_EQ(sent.load(), 20);
  EXPECT_EQ(TWorkerRegistry::Count(), 0);
  EXPECT_TRUE(w.Handle()->IsClosed());
  EXPECT_FALSE(w.TrayIcon1->isVisible());
}

TEST_F(MainWindowTest, DesktopShortcutOnlyOnTheFirstRun) {
  NewWindow();
  ASSERT_TRUE(fs::exists(Shortcut()));
  std::ifstream in(Shortcut());
  std::string launcher((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(launcher.find("Exec="), std::string::npos);
  EXPECT_NE(launcher.find(ExePath()), std::string::npos);
  EXPECT_NE(launcher.find("Name=app_tests"), std::string::npos);
  // The launcher names the program's icon, a picture file beside the program.
  const fs::path icon = root_ / "app" / "app_tests.png";
  EXPECT_NE(launcher.find("Icon=" + icon.string() + "\n"), std::string::npos) << launcher;
  EXPECT_FALSE(QImage(QString::fromStdString(icon.string())).isNull());
  fs::remove(Shortcut());

  NewWindow();  // `first` is set: the user's deletion stands
  EXPECT_FALSE(fs::exists(Shortcut()));

  TProfileFile settings(AppFolder() + "kqclient.cfg");
  EXPECT_EQ(settings.ReadInteger("config", "first", 0), 1);
  ASSERT_TRUE(settings.DeleteKey("config", "first"));
  NewWindow();
  EXPECT_TRUE(fs::exists(Shortcut()));
}

TEST_F(MainWindowTest, WithoutADesktopFolderNoShortcutIsMade) {
  fs::remove_all(root_ / "home" / "Desktop");
  const fs::path stray = fs::current_path() / "app_tests.desktop";
  fs::remove(stray);
  NewWindow();
  EXPECT_FALSE(fs::exists(stray));
  EXPECT_FALSE(fs::exists(root_ / "app" / "app_tests.desktop"));
  EXPECT_FALSE(fs::exists(Shortcut()));
}

TEST_F(MainWindowTest, InstallPathIsRecordedAndRewrittenWhenItDiffers) {
  NewWindow();
  EXPECT_EQ(ReadRegistryString(kInstallKey, "install").value_or(""), ExePath());
  ASSERT_TRUE(WriteRegistryString(kInstallKey, "install", "/old/place/vlmr"));
  NewWindow();
  EXPECT_EQ(ReadRegistryString(kInstallKey, "install").value_or(""), ExePath());
}

TEST_F(MainWindowTest, StoreOpensAtStartAndADamagedDatabaseIsReportedNotFatal) {
  Tfmjssml& w = NewWindow();
  EXPECT_NE(w.Store(), nullptr);
  EXPECT_TRUE(fs::exists(root_ / "app" / "Data" / "users"));
  EXPECT_TRUE(boxes_->Asked().empty());
  window_.reset();

  {
    std::ofstream junk(root_ / "app" / "Data" / "users", std::ios::binary | std::ios::trunc);
    junk << std::string(4096, '\x5a');
  }
  Tfmjssml& damaged = NewWindow();
  EXPECT_EQ(damaged.Store(), nullptr);
  ASSERT_EQ(boxes_->Asked().size(), 1u);
  EXPECT_EQ(boxes_->Asked()[0].kind, MB_KIND_ERROR);
  // The file is left as it was for the user to rescue.
  EXPECT_EQ(fs::file_size(root_ / "app" / "Data" / "users"), 4096u);
  damaged.show();
  EXPECT_TRUE(damaged.isVisible());
}

TEST_F(MainWindowTest, WatermarkGivesWayToTheEntryBox) {
  Tfmjssml& w = NewWindow();
  w.show();
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Child<QLabel>(w, "txtinfo"), &press);
  EXPECT_TRUE(Child<QLineEdit>(w, "edtSearchKey")->isVisible());
  EXPECT_FALSE(Child<QLabel>(w, "txtinfo")->isVisible());
  QFocusEvent out(QEvent::FocusOut);
  QApplication::sendEvent(Child<QLineEdit>(w, "edtSearchKey"), &out);
  EXPECT_FALSE(Child<QLineEdit>(w, "edtSearchKey")->isVisible());
  EXPECT_TRUE(Child<QLabel>(w, "txtinfo")->isVisible());
}

}  // namespace
}  // namespace vlmr
