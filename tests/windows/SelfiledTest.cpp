// The export field dialog: its components and initial state, the quick-select links, the
// format boxes, OK and Cancel.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include "base/Text.h"
#include "windows/Selfiled.h"

namespace vlmr {
namespace {

const char* const kFieldBoxes[] = {"chkcompany", "chkmob", "chktel",
                                   "chkemail",   "chkurl", "chkaddr"};

QCheckBox* Box(QWidget* dialog, const char* name) {
  auto* box = dialog->findChild<QCheckBox*>(name);
  EXPECT_NE(box, nullptr) << name;
  return box;
}

const char* const kFormatBoxes[] = {"chktxt", "chkexecl", "chkxlsx", "chkcsv"};

// "1" for each checked box: the six field boxes, then txt, Excel, xlsx and CSV.
std::string States(QWidget* dialog) {
  std::string states;
  for (const char* name : kFieldBoxes)
    states += Box(dialog, name)->isChecked() ? '1' : '0';
  states += ' ';
  for (const char* name : kFormatBoxes)
    states += Box(dialog, name)->isChecked() ? '1' : '0';
  return states;
}

void FlushDeletes() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(Selfiled, OpensWithItsCaptionsAndInitialState) {
  QPointer<Tfmselfiled> dialog = new Tfmselfiled(Utf8ToGbk("广州 电子"));
  EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("导出字段选择"));
  EXPECT_GE(dialog->width(), 250);
  EXPECT_GE(dialog->height(), 248);
  EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
  EXPECT_FALSE(dialog->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMinMaxButtonsHint);
  EXPECT_FALSE(dialog->isModal());
  EXPECT_TRUE(dialog->testAttribute(Qt::WA_DeleteOnClose));

  struct {
    const char* name;
    const char* caption;
  } boxes[] = {
      {"chkcompany", "公司名"},  {"chkmob", "手机"},        {"chktel", "QQ"},
      {"chkemail", "EMail邮箱"}, {"chkurl", "网址"},        {"chkaddr", "地址"},
      {"chktxt", "txt格式"},     {"chkexecl", "Excel格式"}, {"chkxlsx", "Excel 2007+ (.xlsx)"},
      {"chkcsv", "CSV UTF-8"}};
  for (const auto& b : boxes) {
    EXPECT_EQ(Box(dialog, b.name)->text(), QString::fromUtf8(b.caption)) << b.name;
  }
  EXPECT_EQ(States(dialog), "111111 0100");
  for (const char* name : kFormatBoxes)
    EXPECT_TRUE(Box(dialog, name)->font().bold()) << name;

  struct {
    const char* name;
    const char* text;
  } labels[] = {{"Label1", "请选择需要导出的字段："},
                {"Label2", "快速选择："},
                {"Label4", "手机"},
                {"Label3", "QQ"},
                {"Label5", "邮箱"},
                {"Label6", "全选"}};
  for (const auto& l : labels) {
    auto* label = dialog->findChild<QLabel*>(l.name);
    ASSERT_NE(label, nullptr) << l.name;
    EXPECT_TRUE(label->text().contains(QString::fromUtf8(l.text))) << l.name;
  }
  EXPECT_EQ(dialog->findChild<QPushButton*>("Button2")->text(), QString::fromUtf8("确 定"));
  EXPECT_EQ(dialog->findChild<QPushButton*>("Button1")->text(), QString::fromUtf8("取 消"));

  dialog->show();
  EXPECT_FALSE(Box(dialog, "chkaddr")->isVisible());
  EXPECT_TRUE(Box(dialog, "chkurl")->isVisible());
  for (QWidget* child : dialog->findChildren<QWidget*>()) {
    if (child->isVisible()) {
      EXPECT_TRUE(dialog->rect().contains(child->geometry())) << child->objectName().toStdString();
    }
  }
  // No caption is cut: every box is as wide as its text needs.
  for (QCheckBox* box : dialog->findChildren<QCheckBox*>()) {
    EXPECT_GE(box->width(), box->sizeHint().width()) << box->objectName().toStdString();
  }
  // Rows from the top: prompt; quick select; 公司名 手机 QQ; EMail邮箱 网址; formats; buttons.
  auto top = [&](const char* name) { return dialog->findChild<QWidget*>(name)->y(); };
  auto left = [&](const char* name) { return dialog->findChild<QWidget*>(name)->x(); };
  EXPECT_LT(top("Label1"), top("Label2"));
  for (const char* link : {"Label4", "Label3", "Label5", "Label6"})
    EXPECT_EQ(top(link), top("Label2")) << link;
  EXPECT_LT(left("Label2"), left("Label4"));
  EXPECT_LT(left("Label4"), left("Label3"));
  EXPECT_LT(left("Label3"), left("Label5"));
  EXPECT_LT(left("Label5"), left("Label6"));
  EXPECT_LT(top("Label2"), top("chkcompany"));
  EXPECT_EQ(top("chkcompany"), top("chkmob"));
  EXPECT_EQ(top("chkcompany"), top("chktel"));
  EXPECT_LT(left("chkcompany"), left("chkmob"));
  EXPECT_LT(left("chkmob"), left("chktel"));
  EXPECT_LT(top("chkcompany"), top("chkemail"));
  EXPECT_EQ(top("chkemail"), top("chkurl"));
  EXPECT_LT(top("chkemail"), top("chktxt"));
  EXPECT_EQ(top("chktxt"), top("chkexecl"));
  EXPECT_LT(left("chktxt"), left("chkexecl"));
  EXPECT_LT(top("chktxt"), top("chkcsv"));
  EXPECT_EQ(top("chkcsv"), top("chkxlsx"));
  EXPECT_LT(left("chkcsv"), left("chkxlsx"));
  EXPECT_LT(top("chkcsv"), top("Button2"));
  EXPECT_EQ(top("Button2"), top("Button1"));
  EXPECT_LT(left("Button2"), left("Button1"));

  dialog->close();
  FlushDeletes();
  EXPECT_TRUE(dialog.isNull());
}

TEST(Selfiled, QuickSelectLinksSetTheBoxes) {
  struct {
    const char* link;
    const char* before;  // a click on 全选 or 手机 first, to start from a different state
    const char* states;
  } cases[] = {
      {"Label4", nullptr, "010000 1000"},  {"Label3", nullptr, "001000 1000"},
      {"Label5", nullptr, "000100 1000"},  {"Label6", "Label4", "111111 0100"},
      {"Label4", "Label6", "010000 1000"},
  };
  for (const auto& c : cases) {
    Tfmselfiled dialog("k");
    if (c.before) {
      emit dialog.findChild<QLabel*>(c.before)->linkActivated("#");
    }
    emit dialog.findChild<QLabel*>(c.link)->linkActivated("#");
    EXPECT_EQ(States(&dialog), c.states) << c.link;
  }
}

TEST(Selfiled, CheckingOneFormatUnchecksTheOthersButAllMayBeOff) {
  struct {
    std::vector<const char*> clicks;
    const char* states;
  } cases[] = {
      {{"chktxt"}, "111111 1000"},
      {{"chktxt", "chktxt"}, "111111 0000"},
      {{"chkxlsx"}, "111111 0010"},
      {{"chkxlsx", "chkcsv"}, "111111 0001"},
      {{"chkcsv", "chkexecl"}, "111111 0100"},
      {{"chkcsv", "chkcsv", "chkxlsx"}, "111111 0010"},
  };
  for (const auto& c : cases) {
    Tfmselfiled dialog("k");
    for (const char* name : c.clicks)
      Box(&dialog, name)->click();
    EXPECT_EQ(States(&dialog), c.states) << c.clicks.size() << " " << c.clicks.back();
  }
}

// A keyword too large for the Excel格式 worksheet starts on .xlsx; 全选 and "no format" follow.
TEST(Selfiled, AKeywordBeyondTheOldWorksheetDefaultsToXlsx) {
  struct {
    std::size_t companies;
    const char* states;
    TExportFormat none;  // what OK hands over with every format box off
  } cases[] = {
      {0, "111111 0100", TExportFormat::Excel},
      {65535, "111111 0100", TExportFormat::Excel},  // and the header: 65 536 rows
      {65536, "111111 0010", TExportFormat::Xlsx},
      {1000000, "111111 0010", TExportFormat::Xlsx},
  };
  for (const auto& c : cases) {
    Tfmselfiled dialog("k", nullptr, c.companies);
    EXPECT_EQ(States(&dialog), c.states) << c.companies;
    emit dialog.findChild<QLabel*>("Label4")->linkActivated("#");
    emit dialog.findChild<QLabel*>("Label6")->linkActivated("#");
    EXPECT_EQ(States(&dialog), c.states) << c.companies;
    for (const char* name : kFormatBoxes)
      Box(&dialog, name)->setChecked(false);
    EXPECT_EQ(dialog.Format(), c.none) << c.companies;
  }
}

TEST(Selfiled, OkHandsOverTheKeywordFieldsAndFormatAndCloses) {
  struct {
    const char* what;
    const char* link;
    const char* clicks;  // format boxes clicked after the link
    bool company, mobile, qq, email, url;
    TExportFormat format;
  } cases[] = {
      {"initial state: spreadsheet", nullptr, "", true, true, true, true, true,
       TExportFormat::Excel},
      {"全选: spreadsheet, address off", "Label6", "", true, true, true, true, true,
       TExportFormat::Excel},
      {"手机: text", "Label4", "", false, true, false, false, false, TExportFormat::Text},
      {"every format off: spreadsheet", "Label5", "chktxt", false, false, false, true, false,
       TExportFormat::Excel},
      {"xlsx", nullptr, "chkxlsx", true, true, true, true, true, TExportFormat::Xlsx},
      {"CSV", "Label3", "chkcsv", false, false, true, false, false, TExportFormat::Csv},
  };
  for (const auto& c : cases) {
    QPointer<Tfmselfiled> dialog = new Tfmselfiled(Utf8ToGbk("广州 电子"));
    if (c.link) {
      emit dialog->findChild<QLabel*>(c.link)->linkActivated("#");
    }
    if (*c.clicks) {
      Box(dialog, c.clicks)->click();
    }
    dialog->show();
    int calls = 0;
    dialog->OnSave = [&](const std::string& keyword, const TExportFields& f, TExportFormat format) {
      ++calls;
      EXPECT_EQ(keyword, Utf8ToGbk("广州 电子")) << c.what;
      EXPECT_EQ(f.company, c.company) << c.what;
      EXPECT_EQ(f.mobile, c.mobile) << c.what;
      EXPECT_EQ(f.qq, c.qq) << c.what;
      EXPECT_EQ(f.email, c.email) << c.what;
      EXPECT_EQ(f.webUrl, c.url) << c.what;
      EXPECT_FALSE(f.address) << c.what;
      EXPECT_EQ(format, c.format) << c.what;
    };
    dialog->findChild<QPushButton*>("Button2")->click();
    EXPECT_EQ(calls, 1) << c.what;
    FlushDeletes();
    EXPECT_TRUE(dialog.isNull()) << c.what;
  }
}

TEST(Selfiled, CancelClosesWithoutSaving) {
  QPointer<Tfmselfiled> dialog = new Tfmselfiled("k");
  dialog->show();
  int calls = 0;
  dialog->OnSave = [&](const std::string&, const TExportFields&, TExportFormat) { ++calls; };
  dialog->findChild<QPushButton*>("Button1")->click();
  FlushDeletes();
  EXPECT_TRUE(dialog.isNull());
  EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace vlmr
