#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <filesystem>

#include "base/Text.h"
#include "base/Thread.h"
#include "platform/Shell.h"
#include "support/ConnectToWeb.h"
#include "support/SimulatedWeb.h"
#include "support/TempFolder.h"
#include "support/VendorSite.h"
#include "windows/ContactWindow.h"
#include "windows/DescriptionWindow.h"
#include "windows/NoticePopup.h"
#include "windows/UpdateWindow.h"

namespace vlmr {
namespace {

namespace fs = std::filesystem;
using test::TTempFolder;

constexpr int kWait = 10000;  // upper bound only
const char* const kBase = "http://svc.vendor.test/";

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

bool WaitFor(const std::function<bool()>& done) {
  return QTest::qWaitFor(done, kWait);
}

class VendorWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::AddVendorSite(web, "svc.vendor.test", temp.Path().string());
    // Shell opens are recorded by a script instead of reaching a desktop.
    TTempFolder::Write(temp.File("open.sh"),
                       "#!/bin/sh\nprintf '%s' \"$1\" > \"" + temp.File("opened") + "\"\n");
    fs::permissions(temp.File("open.sh"), fs::perms::owner_all);
    SetShellOpenProgramForTesting(temp.File("open.sh"));
  }
  void TearDown() override {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->testAttribute(Qt::WA_DeleteOnClose))
        w->close();
    }
    EXPECT_TRUE(TWorkerRegistry::WaitUntilEmpty(kWait, [] { QApplication::processEvents(); }));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SetShellOpenProgramForTesting("");
  }
  std::string Opened() {
    EXPECT_TRUE(WaitFor([&] { return fs::exists(temp.File("opened")); }));
    return TTempFolder::Read(temp.File("opened"));
  }

  test::TSimulatedWeb web;
  test::TConnectToWeb route{web};
  TTempFolder temp;
};

TEST_F(VendorWindowsTest, TheContactWindowShowsTheReplyItems) {
  struct TCase {
    const char* reply;
    bool com, qq, filled;
    const char* comText;
    const char* nameText;
    const char* mobText;
    const char* qqText;
  };
  const TCase cases[] = {
      {"020-1234|731902465|广州某公司|张三|备注", true, true, true, "公司名：广州某公司",
       "联系人：张三", "联系电话：020-1234", "QQ：731902465 (点击交谈)"},
      {"020-1234||广州某公司|张三|x", true, false, true, "公司名：广州某公司", "联系人：张三",
       "联系电话：020-1234", nullptr},
      {"020-1234|731902465| |张三|x", false, true, true, nullptr, "联系人：张三",
       "联系电话：020-1234", "QQ：731902465 (点击交谈)"},
      // A blank separates too: the later items move by one.
      {"020-1234|731902465|某公司|张 三", true, true, true, "公司名：某公司", "联系人：张",
       "联系电话：020-1234", "QQ：731902465 (点击交谈)"},
      {"020-1234|731902465|某公司|张三", false, false, false, nullptr, nullptr, nullptr, nullptr},
      {"", false, false, false, nullptr, nullptr, nullptr, nullptr},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.reply);
    TTempFolder::Write(temp.File("contact.txt"), c.reply);
    Tfmabout* w = ShowContactWindow(kBase, "", nullptr);
    ASSERT_TRUE(WaitFor([&] { return web.Requests().size() >= 1; }));
    EXPECT_EQ(web.Requests().back().query, "action=contact&user=adm");
    ASSERT_TRUE(WaitFor([&] { return TWorkerRegistry::Count() == 0; }));
    QApplication::processEvents();
    EXPECT_EQ(w->lblcom->isVisibleTo(w), c.com);
    EXPECT_EQ(w->lblqq->isVisibleTo(w), c.qq);
    EXPECT_EQ(w->lblname->isVisibleTo(w), true);
    EXPECT_EQ(w->lblmob->isVisibleTo(w), c.filled);
    if (c.comText) {
      EXPECT_EQ(w->lblcom->text(), U(c.comText));
    }
    EXPECT_EQ(w->lblname->text(), U(c.filled ? c.nameText : kContactFailureText));
    if (c.mobText) {
      EXPECT_EQ(w->lblmob->text(), U(c.mobText));
    }
    if (c.qqText) {
      EXPECT_EQ(w->lblqq->text(), U(c.qqText));
    }
    w->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Tfmabout::Instance(), nullptr);
    web.ClearRequests();
  }
}

TEST_F(VendorWindowsTest, TheContactWindowIsOneRefilledOnEveryRequestAndOpensTheQqChat) {
  TTempFolder::Write(temp.File("contact-kf8.txt"), "tel|12345|co|me|x");
  Tfmabout* first = ShowContactWindow(kBase, "kf8", nullptr);
  EXPECT_EQ(first->windowTitle(), U("联系我们"));
  EXPECT_EQ(first->size(), QSize(361, 190));
  EXPECT_EQ(first->Panel1->geometry(), QRect(8, 8, 345, 129));
  EXPECT_EQ(first->Button1->geometry(), QRect(278, 143, 75, 34));
  EXPECT_EQ(first->Button1->text(), U("关  闭"));
  EXPECT_EQ(first->lblqq->cursor().shape(), Qt::PointingHandCursor);
  Tfmabout* second = ShowContactWindow(kBase, "kf8", nullptr);
  EXPECT_EQ(first, second);
  ASSERT_TRUE(WaitFor([&] { return web.Requests().size() == 2 && TWorkerRegistry::Count() == 0; }));
  QApplication::processEvents();
  EXPECT_EQ(first->lblqq->toolTip(), U("12345"));
  first->lblqqClick();
  EXPECT_EQ(Opened(), "http://wpa.qq.com/msgrd?v=3&uin=12345&site=qq&menu=yes");
}

TEST_F(VendorWindowsTest, WithoutAServiceAddressTheWindowsShowTheirFailureStates) {
  TTempFolder::Write(temp.File("des.txt"), "never read");
  Tfmabout* contact = ShowContactWindow("", "", nullptr);
  Tfmdes* des = ShowDescriptionWindow("", nullptr);
  ASSERT_TRUE(WaitFor([&] { return TWorkerRegistry::Count() == 0; }));
  QApplication::processEvents();
  EXPECT_EQ(contact->lblname->text(), U(kContactFailureText));
  EXPECT_FALSE(contact->lblmob->isVisibleTo(contact));
  EXPECT_EQ(des->Memo1->toPlainText(), U(kDescriptionFailureText));
  EXPECT_TRUE(web.Requests().empty());
}

TEST_F(VendorWindowsTest, TheDescriptionGetsAScrollBarAbove15Lines) {
  struct TCase {
    int lines;
    bool scroll;
  };
  for (const TCase& c : {TCase{15, false}, TCase{16, true}, TCase{1, false}}) {
    SCOPED_TRACE(c.lines);
    std::string text;
    for (int i = 1; i <= c.lines; ++i)
      text += "第" + std::to_string(i) + "行\r\n";
    TTempFolder::Write(temp.File("des.txt"), text);
    Tfmdes* w = ShowDescriptionWindow(kBase, nullptr);
    EXPECT_EQ(w->windowTitle(), U("软件介绍"));
    EXPECT_EQ(w->size(), QSize(482, 258));
    EXPECT_EQ(w->Memo1->geometry(), QRect(5, 5, 471, 198));
    EXPECT_TRUE(w->Memo1->isReadOnly());
    EXPECT_TRUE(w->Button1->isDefault());
    ASSERT_TRUE(
        WaitFor([&] { return TWorkerRegistry::Count() == 0 && web.Requests().size() == 1; }));
    QApplication::processEvents();
    EXPECT_EQ(web.Requests()[0].query, "action=des&t=8");
    EXPECT_TRUE(w->Memo1->toPlainText().startsWith(U("第1行")));
    EXPECT_EQ(w->Memo1->verticalScrollBarPolicy(),
              c.scroll ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    // Esc closes it.
    QTest::keyClick(w, Qt::Key_Escape);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Tfmdes::Instance(), nullptr);
    web.ClearRequests();
  }
}

TEST_F(VendorWindowsTest, TheNoticePopupAppearsInTheCornerOnceItsPageLoaded) {
  TTempFolder::Write(temp.File("pop.html"),
                     "<html><body><p>新版本上线</p><a href=\"news.html\">详情</a></body></html>");
  Tfmwinpop* popup = ShowNoticePopup(std::string(kBase) + "pop.aspx?t=9");
  EXPECT_EQ(popup->size(), QSize(402, 255));
  EXPECT_EQ(popup->x(), Tfmwinpop::kOffScreenLeft);
  EXPECT_TRUE(popup->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(popup->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(popup->testAttribute(Qt::WA_ShowWithoutActivating));
  EXPECT_EQ(popup->lbltitle->text(), U("温馨提示"));
  EXPECT_EQ(popup->Label1BitmapButton1->geometry(), QRect(368, 6, 24, 24));
  EXPECT_EQ(popup->wb1->geometry(), QRect(1, 37, 400, 218));
  ASSERT_TRUE(WaitFor([&] { return popup->Placed(); }));
  QRect area = popup->screen()->availableGeometry();
  EXPECT_EQ(popup->frameGeometry().right(), area.right());
  EXPECT_EQ(popup->frameGeometry().bottom(), area.bottom());
  EXPECT_TRUE(popup->wb1->toPlainText().contains(U("新版本上线")));
  // Links go to the default browser, resolved against the page.
  popup->wb1NewWindow3(QUrl("news.html"));
  EXPECT_EQ(Opened(), std::string(kBase) + "news.html");
  QTest::mouseClick(popup->Label1BitmapButton1, Qt::LeftButton);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(Tfmwinpop::Instance(), nullptr);
}

TEST_F(VendorWindowsTest, ANoticePageThatCannotBeLoadedClosesThePopupUnseen) {
  // No pop.html: the service answers 404. A relative address cannot be fetched at all.
  for (std::string address : {std::string(kBase) + "pop.aspx?t=9", std::string("pop.aspx?t=9")}) {
    SCOPED_TRACE(address);
    QPointer<Tfmwinpop> popup = ShowNoticePopup(address);
    ASSERT_TRUE(WaitFor([&] {
      QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      return popup.isNull();
    }));
    EXPECT_EQ(Tfmwinpop::Instance(), nullptr);
  }
}

TEST_F(VendorWindowsTest, TheUpdateWindowShowsProgressAndRefusesToClose) {
  QWidget owner;
  auto* w = new Tfmupwin(&owner);
  w->show();
  EXPECT_EQ(w->windowTitle(), U("程序正在升级..."));
  EXPECT_EQ(w->size(), QSize(424, 83));
  EXPECT_EQ(w->Label1->text(), U("正在升级中，请稍后..."));
  EXPECT_EQ(w->Label1->pos(), QPoint(32, 15));
  EXPECT_EQ(w->pro1->geometry(), QRect(32, 42, 361, 22));
  EXPECT_EQ(w->pro1->minimum(), 0);
  EXPECT_EQ(w->pro1->maximum(), 100);
  EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(w->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(w->close());
  QTest::keyClick(w, Qt::Key_Escape);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->parentWidget(), &owner);
}

}  // namespace
}  // namespace vlmr
