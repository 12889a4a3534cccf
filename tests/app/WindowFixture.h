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
#include <QTest>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "app/KeyItem.h"
#include "app/MainWindow.h"
#include "app/ResultGridModel.h"
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

namespace vlmr::test {

inline constexpr int kWindowWaitMs = 30000;  // bound of every wait for something that must happen

// Pacing in virtual time: a sleep moves the clock on at once. Frozen, time stands and every
// gate that has passed once stays shut, so collectors wait at their gates (polling in real
// time) for as long as a test likes.
class TFastClock : public TPacingClock {
 public:
  std::int64_t NowMs() override { return now_.load(); }
  void Sleep(int ms, const std::function<void(int)>& realWait) override {
    if (frozen_.load()) {
      realWait(1);
      return;
    }
    now_.fetch_add(ms);
  }
  void Freeze(bool frozen) { frozen_.store(frozen); }

 private:
  std::atomic<std::int64_t> now_{10'000'000};
  std::atomic<bool> frozen_{false};
};

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

  // The window's item of a keyword (GBK), or nullptr.
  TKeyItem* Item(const std::string& keyword) { return W().KeyItemOf(W().FindKeywordItem(keyword)); }
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

  // Key presses carrying text, one character each (Chinese too, as an input method sends it).
  static void Type(QWidget* widget, const QString& text) {
    for (QChar ch : text) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(widget, &press);
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(widget, &release);
    }
  }
  // Types a keyword into the entry box the way a user does and presses "添加任务".
  void TypeAndAdd(const QString& keyword) {
    if (!W().edtSearchKey->isVisible())
      QTest::mouseClick(W().txtinfo, Qt::LeftButton);
    W().edtSearchKey->clear();
    Type(W().edtSearchKey, keyword);
    QTest::mouseClick(W().btnbaidustart, Qt::LeftButton);
  }
  // Left click on a keyword's item (selects it).
  void ClickItem(const std::string& keyword) {
    QListWidgetItem* item = W().FindKeywordItem(keyword);
    ASSERT_NE(item, nullptr);
    QRect r = W().listkey->visualItemRect(item);
    QTest::mouseClick(W().listkey->viewport(), Qt::LeftButton, {}, r.center() + QPoint(60, 0));
  }
  // Right click on a keyword's item: pmkey opens for it.
  void RightClickItem(const std::string& keyword) {
    QListWidgetItem* item = W().FindKeywordItem(keyword);
    ASSERT_NE(item, nullptr);
    QRect r = W().listkey->visualItemRect(item);
    QTest::mouseClick(W().listkey->viewport(), Qt::RightButton, {}, r.center() + QPoint(60, 0));
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
