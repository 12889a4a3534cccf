// What the window tests share: a program folder and a home in a temporary folder, preset
// message-box answers, and, for the collecting tests, the simulated web with the three engines
// and company sites on it, reached through the connect-to override, with pacing in virtual
// time. Every wait pumps the window's events.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "app/FindChild.h"
#include "app/Icons.h"
#include "app/KeyItem.h"
#include "app/MainWindow.h"
#include "app/ResultGridModel.h"
#include "app/ResultsView.h"
#include "base/MessageBox.h"
#include "base/Text.h"
#include "base/Thread.h"
#include "base/Utils.h"
#include "engine/CaijiBaidu.h"
#include "engine/CaijiPageCon.h"
#include "engine/Collector.h"
#include "engine/Gates.h"
#include "net/HttpClient.h"
#include "platform/UserFolders.h"
#include "store/KeyListInfo.h"
#include "support/ConnectToWeb.h"
#include "support/EngineSites.h"
#include "support/PresetMessageBoxes.h"
#include "support/SimulatedWeb.h"
#include "support/TempFolder.h"
#include "support/TestClocks.h"
#include "tasks/TaskBoard.h"

namespace vlmr::test {

inline constexpr int kWindowWaitMs = 30000;  // bound of every wait for something that must happen

// The pictures of the grid's first column.
inline const QPixmap& Promoted() {
  static const QPixmap picture = PromotedMark();
  return picture;
}
inline const QPixmap& Certified() {
  static const QPixmap picture = CertifiedMark();
  return picture;
}
inline const QPixmap& Plain() {
  static const QPixmap picture = PlainMark();
  return picture;
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(root_.Path() / "home" / "Desktop");
    SetAppFolderOverride((root_.Path() / "app").string());
    SetUserFoldersRootForTesting((root_.Path() / "home").string());
    boxes_ = TPresetMessageBoxes::Install();
  }
  void TearDown() override {
    window_.reset();
    EXPECT_EQ(TWorkerRegistry::Count(), 0) << "workers left behind";
    InstallMessageBoxService(nullptr);
    SetAppFolderOverride("");
    SetUserFoldersRootForTesting("");
  }

  Tfmjssml& NewWindow() {
    window_.reset();
    window_ = std::make_unique<Tfmjssml>();
    window_->show();
    return *window_;
  }
  Tfmjssml& W() { return *window_; }

  static bool Until(const std::function<bool()>& done, int timeoutMs = kWindowWaitMs) {
    return QTest::qWaitFor(done, timeoutMs);
  }

  template <class T>
  T* Find(const char* name) {
    return Child<T>(W(), name);
  }
  QListWidget* List() { return Find<QListWidget>("listkey"); }
  TResultsView& Results() { return *Find<TResultsView>("resultpane"); }
  const TResultGridModel& Grid() { return Results().Model(); }
  // What the grid's cell shows for a role.
  QVariant Cell(int column, int row, int role) {
    return Grid().Cell(static_cast<TResultColumn>(column), row, role);
  }
  // The list item of a keyword (GBK), or nullptr; and its item widget.
  QListWidgetItem* ListItem(const std::string& keyword) {
    QListWidget* list = List();
    for (int i = 0; i < list->count(); ++i) {
      auto* view = qobject_cast<TKeyItem*>(list->itemWidget(list->item(i)));
      if (view && view->Keyword() == keyword)
        return list->item(i);
    }
    return nullptr;
  }
  TKeyItem* Item(const std::string& keyword) {
    QListWidgetItem* item = ListItem(keyword);
    return item ? qobject_cast<TKeyItem*>(List()->itemWidget(item)) : nullptr;
  }
  // A double click on a grid row, as the user makes it.
  void DoubleClickRow(int row) {
    auto* grid = Find<QTableView>("dblist");
    grid->selectRow(row);
    const QRect cell = grid->visualRect(grid->model()->index(row, 1));
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  }
  static std::string Text(const QLabel* label) { return label->text().toStdString(); }
  std::string DateLine(const std::string& keyword) { return Text(Item(keyword)->Field("date")); }
  std::string CountText(const std::string& keyword) { return Text(Item(keyword)->Field("count")); }
  // Asked boxes as UTF-8 texts.
  std::vector<std::string> AskedTexts() const {
    std::vector<std::string> out;
    for (const auto& a : boxes_->Asked())
      out.push_back(GbkToUtf8(a.text));
    return out;
  }

  // Key presses carrying text, one character each (Chinese too, as an input method sends it;
  // a character outside the BMP in one event, as its two UTF-16 halves).
  static void Type(QWidget* widget, const QString& text) {
    for (qsizetype i = 0; i < text.size();) {
      const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
      const QString character = text.mid(i, length);
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
      QApplication::sendEvent(widget, &press);
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character);
      QApplication::sendEvent(widget, &release);
      i += length;
    }
  }
  // Types a keyword into the entry box the way a user does and presses "添加任务".
  void TypeAndAdd(const QString& keyword) {
    auto* entry = Find<QLineEdit>("edtSearchKey");
    if (!entry->isVisible())
      QTest::mouseClick(Find<QLabel>("txtinfo"), Qt::LeftButton);
    entry->clear();
    Type(entry, keyword);
    QTest::mouseClick(Find<QPushButton>("btnbaidustart"), Qt::LeftButton);
  }
  // Left click on a keyword's item (selects it).
  void ClickItem(const std::string& keyword) {
    QListWidgetItem* item = ListItem(keyword);
    ASSERT_NE(item, nullptr);
    QRect r = List()->visualItemRect(item);
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, r.center() + QPoint(60, 0));
  }
  // Right click on a keyword's item: pmkey opens for it.
  void RightClickItem(const std::string& keyword) {
    QListWidgetItem* item = ListItem(keyword);
    ASSERT_NE(item, nullptr);
    QRect r = List()->visualItemRect(item);
    QTest::mouseClick(List()->viewport(), Qt::RightButton, {}, r.center() + QPoint(60, 0));
  }

  TTempFolder root_;
  std::shared_ptr<TPresetMessageBoxes> boxes_;
  std::unique_ptr<Tfmjssml> window_;
};

// A company site with a landline and a mobile on its one page.
inline TPage CompanyPage(const std::string& nameUtf8, const std::string& mobile) {
  return TPage::Html("<html><head><title>" + nameUtf8 +
                     "</title></head><body>联系电话：020-87654321 手机：" + mobile +
                     "<br>地址：广州市天河区体育西路100号</body></html>");
}

class CollectingWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    InitNetwork();
    TEngineLocks::SetClockForTesting(&clock_);
    TCollectorThread::SetRequestTimeoutForTesting(3000);
    TCaijiBaidu::SetLastPageFolderForTesting(root_.Path().string());
    TCrawlerTimeouts t;
    t.firstRequestMs = t.lookupMs = t.pageFetchMs = 5000;
    t.retryPauseMs = 10;
    SetCrawlerTimeoutsForTesting(t);
    web_.SetDefaultHandler([](const TRequest&) {
      return TPage::Html("<html><head><title>某某</title></head><body>欢迎</body></html>");
    });
  }
  void TearDown() override {
    clock_.Freeze(false);
    window_.reset();
    ResetCrawlerTimeoutsForTesting();
    TCaijiBaidu::SetLastPageFolderForTesting("");
    TCollectorThread::SetRequestTimeoutForTesting(0);
    TEngineLocks::SetClockForTesting(nullptr);
    WindowTest::TearDown();
  }

  // Page 0 of every engine carries one site (Baidu's and Sogou's through an ad, 360's not);
  // later pages are empty. With the clock frozen each engine takes its page 0 and starts its
  // one crawler, then waits at its page gate: the companies arrive before any empty page can
  // count against the task.
  void ThreeCompanies() {
    struct Site {
      const char* host;
      const char* name;
      const char* mobile;
    } sites[] = {
        {"www.bd-ad.com", "甲机电设备有限公司", "13800000001"},
        {"www.sg-ad.com", "丙机电设备有限公司", "13800000003"},
        {"www.so-org.com", "己机电设备有限公司", "13800000006"},
    };
    for (const Site& s : sites)
      web_.AddHost(s.host, CompanyPage(s.name, s.mobile));
    auto url = [](const char* host) { return std::string("http://") + host + "/"; };
    TBaiduPage baidu;
    baidu.ads = {{"甲机电设备有限公司", url("www.bd-ad.com")}};
    sites_.SetHtml(TSearchEngine::Baidu, 0, BaiduHtml(baidu));
    sites_.SetHtml(TSearchEngine::Sogou, 0, SogouHtml({{{"丙", url("www.sg-ad.com"), true}}}));
    sites_.SetHtml(TSearchEngine::So360, 0, So360Html({{{"己", url("www.so-org.com")}}}));
  }

  // Result-page indexes an engine was asked for, for a keyword (GBK), in order.
  std::vector<int> Asked(TSearchEngine engine) const {
    std::vector<int> out;
    for (const auto& e : sites_.Log(engine))
      out.push_back(e.index);
    return out;
  }

  bool AllWorkersGone() {
    return Until([] { return TWorkerRegistry::Count() == 0; });
  }

  TFastClock clock_;
  TSimulatedWeb web_;
  TConnectToWeb connect_{web_};
  TEngineSites sites_{web_};
};

}  // namespace vlmr::test
