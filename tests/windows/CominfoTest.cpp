// The company detail window: ShowCompany's layout arithmetic, its texts, and one window at a
// time.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QToolButton>

#include "base/Text.h"
#include "engine/records/KeyUnit.h"
#include "windows/Cominfo.h"

namespace vlmr {
namespace {

TComPanyInfo Company(const char* name, int mobiles, int qqs, int emails) {
  TComPanyInfo company;
  company.SetComName(Utf8ToGbk(name));
  company.webUrl = "http://www.example.cn";
  company.address = Utf8ToGbk("广州市天河区");
  for (int i = 0; i < mobiles; ++i)
    company.AddMobile("1380000000" + std::to_string(i));
  for (int i = 0; i < qqs; ++i)
    company.AddQQ("1000" + std::to_string(i));
  for (int i = 0; i < emails; ++i)
    company.AddEmail("m" + std::to_string(i) + "@example.cn");
  return company;
}

// "y/height" of a shown memo whose label sits beside it, "-" for a hidden block.
std::string Block(Tfmcominfo& window, const char* label, const char* memo) {
  auto* l = window.findChild<QLabel*>(label);
  auto* m = window.findChild<QPlainTextEdit*>(memo);
  if (m->isHidden()) {
    EXPECT_TRUE(l->isHidden()) << label;
    return "-";
  }
  EXPECT_FALSE(l->isHidden()) << label;
  EXPECT_EQ(l->y(), m->y()) << label;
  EXPECT_EQ(l->x(), 28) << label;
  EXPECT_EQ(m->x(), 84) << memo;
  EXPECT_EQ(m->width(), 319) << memo;
  return std::to_string(m->y()) + "/" + std::to_string(m->height());
}

TEST(Cominfo, ShowCompanyLaysTheBlocksOutFromTheTop) {
  struct {
    const char* what;
    int mobiles, qqs, emails;
    const char* mob;
    const char* qq;
    const char* email;
  } cases[] = {
      {"one mobile, two e-mails", 1, 0, 2, "149/20", "-", "179/36"},
      {"six mobiles: 80 pixels", 6, 0, 0, "149/80", "-", "-"},
      {"five mobiles: 18 each, at most 80", 5, 0, 0, "149/80", "-", "-"},
      {"four mobiles", 4, 0, 0, "149/72", "-", "-"},
      {"no contact at all", 0, 0, 0, "-", "-", "-"},
      {"QQ: 20 each, no one-line rule", 2, 1, 1, "149/36", "195/20", "225/20"},
      {"QQ capped at 80", 0, 5, 0, "-", "149/80", "-"},
      {"every block full", 7, 7, 7, "149/80", "239/80", "329/80"},
      {"QQ and e-mail only", 0, 3, 3, "-", "149/60", "219/54"},
  };
  Tfmcominfo window;
  for (const auto& c : cases) {
    window.ShowCompany(Company("广州某某电子有限公司", c.mobiles, c.qqs, c.emails));
    EXPECT_EQ(Block(window, "txtmob", "mmmob"), c.mob) << c.what;
    EXPECT_EQ(Block(window, "txttel", "mmtel"), c.qq) << c.what;
    EXPECT_EQ(Block(window, "txtemail", "mmemail"), c.email) << c.what;
    EXPECT_TRUE(window.findChild<QLabel*>("txtaddr")->isHidden());
    EXPECT_TRUE(window.findChild<QLabel*>("txtaddrc")->isHidden());
  }
}

TEST(Cominfo, ShowsNameAddressAndOneValuePerLine) {
  Tfmcominfo window;
  EXPECT_EQ(window.size(), QSize(447, 466));
  EXPECT_EQ(window.windowTitle(), QString::fromUtf8("公司详情"));
  EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(window.findChild<QWidget*>("cominfoPanel")->geometry(), QRect(10, 10, 427, 446));
  EXPECT_EQ(window.findChild<QToolButton*>("Button1")->geometry(), QRect(395, 5, 24, 24));
  EXPECT_EQ(window.findChild<QLabel*>("Text1")->text(), QString::fromUtf8("联系方式："));

  TComPanyInfo company = Company("广州某某电子有限公司", 2, 0, 0);
  window.ShowCompany(company);
  EXPECT_EQ(window.findChild<QLabel*>("txtwin")->text(), QString::fromUtf8("广州某某电子有限公司"));
  EXPECT_EQ(window.findChild<QLabel*>("txturl")->text(), "http://www.example.cn");
  auto* memo = window.findChild<QPlainTextEdit*>("mmmob");
  EXPECT_EQ(memo->toPlainText(), "13800000000\n13800000001");
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
  for (QLabel* label : window.findChildren<QLabel*>()) {
    EXPECT_FALSE(label->text().contains("020-87654321"));
    EXPECT_FALSE(label->isVisibleTo(&window) && label->text().contains(QString::fromUtf8("天河")));
  }

  window.ShowCompany(Company("", 0, 0, 0));
  EXPECT_EQ(window.findChild<QLabel*>("txtwin")->text(), " ");
}

TEST(Cominfo, NumbersGroupedByKindSharedOnesMarkedWeChatAndRegion) {
  Tfmcominfo window;
  TComPanyInfo company = Company("广州某某电子有限公司", 2, 1, 1);
  company.AddTel("400-812-3456");
  company.AddTel("020-87654321");
  company.AddWeChat("gz_sales01");
  company.region = {Utf8ToGbk("广东省"), Utf8ToGbk("广州市"), TRegionSource::Landline};
  const std::unordered_set<std::string> shared = {"13800000001", "4008123456"};
  window.ShowCompany(company, &shared);
  EXPECT_EQ(window.findChild<QPlainTextEdit*>("mmmob")->toPlainText(),
            QString::fromUtf8("13800000000\n13800000001  [共享号码]"));
  // Landlines before 400 numbers, each with its kind.
  EXPECT_EQ(window.findChild<QPlainTextEdit*>("mmphone")->toPlainText(),
            QString::fromUtf8("020-87654321（座机）\n400-812-3456（400电话）  [共享号码]"));
  EXPECT_EQ(window.findChild<QPlainTextEdit*>("mmwechat")->toPlainText(), "gz_sales01");
  EXPECT_EQ(window.findChild<QLabel*>("txtregion")->text(),
            QString::fromUtf8("地区：广东省广州市（来自座机）"));
  // Blocks in order: mobiles, numbers, QQ, WeChat, e-mail.
  EXPECT_EQ(Block(window, "txtmob", "mmmob"), "149/36");
  EXPECT_EQ(Block(window, "txtphone", "mmphone"), "195/36");
  EXPECT_EQ(Block(window, "txttel", "mmtel"), "241/20");
  EXPECT_EQ(Block(window, "txtwechat", "mmwechat"), "271/20");
  EXPECT_EQ(Block(window, "txtemail", "mmemail"), "301/20");

  // Without a region or shared numbers nothing is marked.
  company.region = {};
  window.ShowCompany(company);
  EXPECT_TRUE(window.findChild<QLabel*>("txtregion")->text().isEmpty());
  EXPECT_FALSE(window.findChild<QPlainTextEdit*>("mmmob")->toPlainText().contains("["));
}

TEST(Cominfo, OneWindowAtATimeRefilledUntilClosed) {
  QWidget owner;
  owner.resize(900, 600);
  owner.move(50, 40);
  QPointer<Tfmcominfo> first = ShowCompanyDetails(Company("甲", 1, 0, 0), &owner);
  ASSERT_TRUE(first);
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(CurrentCompanyWindow(), first.data());
  QPoint offset = first->frameGeometry().center() - owner.frameGeometry().center();
  EXPECT_LE(offset.manhattanLength(), 2) << "centred on the main window";

  Tfmcominfo* again = ShowCompanyDetails(Company("乙", 0, 2, 0), &owner);
  EXPECT_EQ(again, first.data());
  EXPECT_EQ(first->findChild<QLabel*>("txtwin")->text(), QString::fromUtf8("乙"));
  EXPECT_TRUE(first->findChild<QPlainTextEdit*>("mmmob")->isHidden());

  first->findChild<QToolButton*>("Button1")->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(first.isNull());
  EXPECT_EQ(CurrentCompanyWindow(), nullptr);

  QPointer<Tfmcominfo> second = ShowCompanyDetails(Company("丙", 1, 0, 0), &owner);
  ASSERT_TRUE(second);
  EXPECT_EQ(CurrentCompanyWindow(), second.data());
  second->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
}  // namespace vlmr
