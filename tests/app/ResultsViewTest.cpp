// The results view: worker reports of each kind, the grid's cells, its fill and its company
// deletion, on a window whose store is filled directly.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include "app/Icons.h"
#include "app/ResultGridModel.h"
#include "app/WindowFixture.h"
#include "store/DataThread.h"
#include "store/KeyListInfo.h"
#include "support/TestText.h"
#include "windows/Cominfo.h"

namespace vlmr::test {
namespace {

TComPanyInfo Company(const std::string& keyword, const char* nameUtf8,
                     std::initializer_list<const char*> mobiles) {
  TComPanyInfo c;
  c.keyword = keyword;
  c.SetComName(G(nameUtf8));
  for (const char* m : mobiles)
    c.AddMobile(m);
  c.source = G("百度");
  return c;
}

class ResultsViewTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    NewWindow();
    W().Store()->AddKeyword("a");
    W().Store()->AddKeyword("b");
  }
  // Shows a keyword as a click on its item does, and waits for its companies.
  void Show(const std::string& keyword) {
    ClickItem(keyword);
    ASSERT_TRUE(Until([&] { return !Find<QWidget>("rcloading")->isVisible(); }));
    ASSERT_EQ(Results().Keyword(), keyword);
  }
  void Report(TCollectReport::TBody body) { SendCollectReport(W().Handle(), body); }
  using WindowTest::Cell;
  std::string Cell(int column, int row) {
    return Cell(column, row, Qt::DisplayRole).toString().toStdString();
  }
};

TEST_F(ResultsViewTest, ReportsOfEachKindForTheKeywordOnDisplayAndForAnother) {
  Show("a");
  struct TCase {
    const char* name;
    std::uintptr_t kind;
    std::string keyword;
    std::string text;       // progress message, status text or company name (UTF-8)
    const char* tip;        // txttip afterwards ("" unchanged)
    const char* statusOfB;  // b's status text afterwards
    const char* stat;       // txtstat afterwards
    int rows;               // grid rows afterwards
    const char* countA;
    const char* countB;
  } cases[] = {
      {"progress, on display", REPORT_PROGRESS, "a", "正在获取搜索结果...", "正在获取搜索结果...",
       "", "当前已选择[a]", 0, "0条", "0条"},
      {"progress, other keyword", REPORT_PROGRESS, "b", "正在分析采集结果...",
       "正在获取搜索结果...", "正在分析采集结果...", "当前已选择[a]", 0, "0条", "0条"},
      {"company, on display", REPORT_COMPANY, "a", "甲有限公司", "获取[甲有限公司]获取成功！",
       "正在分析采集结果...", "当前已选择[a]", 1, "1条", "0条"},
      {"company, other keyword", REPORT_COMPANY, "b", "乙有限公司", "获取[甲有限公司]获取成功！",
       "获取[乙有限公司]获取成功！", "当前已选择[a]", 1, "1条", "1条"},
      {"company already stored", REPORT_COMPANY, "b", "甲有限公司", "获取[甲有限公司]获取成功！",
       "获取[甲有限公司]获取成功！", "当前已选择[a]", 1, "1条", "1条"},
      {"status from any crawler", REPORT_STATUS, "b", "正在进入企业网站...",
       "获取[甲有限公司]获取成功！", "获取[甲有限公司]获取成功！", "正在进入企业网站...", 1, "1条",
       "1条"},
      {"status of a keyword that is gone", REPORT_STATUS, "gone", "正在获取[某]详细信息...",
       "获取[甲有限公司]获取成功！", "获取[甲有限公司]获取成功！", "正在进入企业网站...", 1, "1条",
       "1条"},
      {"not a report", 9, "a", "x", "获取[甲有限公司]获取成功！", "获取[甲有限公司]获取成功！",
       "正在进入企业网站...", 1, "1条", "1条"},
  };
  for (const TCase& c : cases) {
    if (c.kind == REPORT_COMPANY) {
      TComPanyInfo company = Company(c.keyword, c.text.c_str(), {"13800000000"});
      Report(TCompanyReport{&company});
    } else if (c.kind == REPORT_STATUS) {
      std::string status = G(c.text.c_str());
      Report(TStatusReport{&status, &c.keyword});
    } else if (c.kind == REPORT_PROGRESS) {
      TCaiJiInfo progress{c.keyword, G(c.text.c_str()), 0, G("百度")};
      Report(TProgressReport{&progress});
    } else {
      // Another object on the report's message: dropped.
      struct TOther : TMessagePayload {
      } other;
      W().Handle()->SendObject(WM_COLLECT_REPORT, other);
    }
    if (*c.tip) {
      EXPECT_EQ(Text(Find<QLabel>("txttip")), c.tip) << c.name;
    }
    EXPECT_EQ(GbkToUtf8(W().Store()->FindKeyword("b")->StatusText), c.statusOfB) << c.name;
    EXPECT_EQ(Text(Find<QLabel>("txtstat")), c.stat) << c.name;
    EXPECT_EQ(Grid().RowCount(), c.rows) << c.name;
    EXPECT_EQ(CountText("a"), c.countA) << c.name;
    EXPECT_EQ(CountText("b"), c.countB) << c.name;
  }
  EXPECT_EQ(Find<QLabel>("txtkeylist")->text(), QString::fromUtf8("共 1 条记录"));
  // The total follows rows added to the grid; b's company shows in b's item only.
  EXPECT_EQ(Text(Find<QLabel>("txtrel")), "当前已采集记录：1条");
  // A company without a mobile number is not kept.
  TComPanyInfo noMobile = Company("a", "丙有限公司", {});
  Report(TCompanyReport{&noMobile});
  EXPECT_EQ(Grid().RowCount(), 1);
}

TEST_F(ResultsViewTest, CellsOfARow) {
  const std::string name35 = std::string(35, 'n');
  const std::string leadAt34 = std::string(33, 'n') + G("公司") + "x";
  struct TCase {
    std::string name;
    std::vector<const char*> mobiles;
    int isPay;
    int renZheng;
    std::string shownName;
    std::string shownMobiles;
    const QPixmap* picture;
  } cases[] = {
      {G("甲有限公司"), {"13800000001"}, 0, 0, "甲有限公司", "13800000001\r ", &Plain()},
      {name35,
       {"13800000001", "13800000002"},
       1,
       1,
       std::string(34, 'n') + "...",
       "13800000001\r 13800000002\r ",
       &Promoted()},
      {leadAt34,
       {"13800000001", "13800000002", "13800000003"},
       0,
       1,
       std::string(33, 'n') + "...",
       "13800000001\r 13800000002\r ...",
       &Certified()},
  };
  int row = 0;
  for (const TCase& c : cases) {
    auto company = std::make_shared<TComPanyInfo>();
    company->SetComName(c.name);
    for (const char* m : c.mobiles)
      company->AddMobile(m);
    company->AddQQ("10001");
    company->AddQQ("10002");
    company->AddEmail("a@b.cn");
    company->source = "  360 ";
    company->isPay = static_cast<std::uint8_t>(c.isPay);
    company->renZheng = static_cast<std::uint8_t>(c.renZheng);
    Results().AppendCompany(company);
    EXPECT_EQ(Cell(1, row), c.shownName) << row;
    EXPECT_EQ(Cell(2, row), c.shownMobiles) << row;
    EXPECT_EQ(Cell(3, row), "10001\r 10002\r ") << row;
    EXPECT_EQ(Cell(4, row), "a@b.cn\r ") << row;
    EXPECT_EQ(Cell(5, row), "360") << row;
    EXPECT_EQ(Cell(0, row, Qt::DecorationRole).value<QPixmap>().toImage(), c.picture->toImage())
        << row;
    ++row;
  }
  // The picture column's header carries the hint.
  EXPECT_EQ(Grid().headerData(0, Qt::Horizontal, Qt::ToolTipRole).toString(),
            QString::fromUtf8("带图标的为推广用户"));
  const char* headers[] = {"", "公司名", "手机", "QQ", "邮箱", "来源", "地区"};
  const int widths[] = {31, 231, 175, 100, 142, 40, 80};
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(Grid().headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(),
              QString::fromUtf8(headers[c]));
    if (c < 6) {
      EXPECT_EQ(Find<QTableView>("dblist")->columnWidth(c), widths[c]) << c;
    }
  }
  EXPECT_EQ(Find<QTableView>("dblist")->verticalHeader()->defaultSectionSize(), 24);
  EXPECT_FALSE(Find<QTableView>("dblist")->showGrid());

  // A row with no record behind it shows empty cells, and commands on it do nothing.
  Results().AppendCompany(nullptr);
  for (int c = 0; c < 7; ++c)
    EXPECT_FALSE(Cell(c, row, Qt::DisplayRole).isValid()) << c;
  Find<QTableView>("dblist")->selectRow(row);
  const std::size_t asked = boxes_->Asked().size();
  Find<QAction>("N5")->trigger();
  DoubleClickRow(row);
  EXPECT_EQ(boxes_->Asked().size(), asked);
  EXPECT_EQ(CurrentCompanyWindow(), nullptr);
}

TEST_F(ResultsViewTest, AFillIsOneRowCountChange) {
  for (int i = 0; i < 300; ++i) {
    TComPanyInfo c = Company("a", ("公司" + std::to_string(i)).c_str(), {"13800000000"});
    W().Store()->SaveCompany("a", c);
  }
  QSignalSpy resets(&Grid(), &QAbstractItemModel::modelReset);
  QSignalSpy inserts(&Grid(), &QAbstractItemModel::rowsInserted);
  Show("a");
  EXPECT_EQ(Grid().RowCount(), 300);
  EXPECT_EQ(inserts.count(), 0);
  // One reset empties the grid when the keyword is chosen, one sets the filled count.
  EXPECT_EQ(resets.count(), 2);
  EXPECT_EQ(Cell(1, 299), "公司299");
}

// A keyword of more rows than the loader reads at once: its first rows show before the rest
// have loaded, every later batch is added below them, and the load's end keeps the rows (no
// reset after the click's), in the order of the file.
TEST_F(ResultsViewTest, ALongListShowsItsFirstRowsWhileTheRestLoad) {
  const int rows = kLoadBatch + 3;
  for (int i = 0; i < rows; ++i) {
    TComPanyInfo c = Company("a", ("公司" + std::to_string(i)).c_str(), {"13800000000"});
    ASSERT_TRUE(W().Store()->SaveCompany("a", c));
  }
  NewWindow();  // the companies are in the file only
  QSignalSpy resets(&Grid(), &QAbstractItemModel::modelReset);
  QSignalSpy inserts(&Grid(), &QAbstractItemModel::rowsInserted);
  int rowsWhileLoading = -1;
  QObject::connect(&Grid(), &QAbstractItemModel::rowsInserted, [&] {
    if (rowsWhileLoading < 0 && W().Store()->FindKeyword("a")->LoadRunning()) {
      rowsWhileLoading = Grid().RowCount();
    }
  });
  ClickItem("a");
  ASSERT_TRUE(Until(
      [&] { return !W().Store()->FindKeyword("a")->LoadRunning() && Grid().RowCount() == rows; }));
  EXPECT_GT(rowsWhileLoading, 0);
  EXPECT_FALSE(Find<QWidget>("rcloading")->isVisible());
  EXPECT_GE(inserts.count(), 1);
  EXPECT_EQ(resets.count(), 1);
  EXPECT_EQ(Cell(1, 0), "公司0");
  EXPECT_EQ(Cell(1, rows - 1), "公司" + std::to_string(rows - 1));
  EXPECT_EQ(CountText("a"), std::to_string(rows) + "条");
}

TEST_F(ResultsViewTest, DeleteACompanyFromTheGrid) {
  for (const char* name : {"甲公司", "乙公司", "丙公司"}) {
    TComPanyInfo c = Company("a", name, {"13800000000"});
    W().Store()->SaveCompany("a", c);
  }
  Show("a");
  ASSERT_EQ(Grid().RowCount(), 3);

  Find<QTableView>("dblist")->selectRow(1);
  boxes_->Answer(MB_RESULT_CANCEL);
  Find<QAction>("N5")->trigger();
  EXPECT_EQ(AskedTexts().back(), "确定要删除 [乙公司]？");
  EXPECT_EQ(Grid().RowCount(), 3);

  Find<QTableView>("dblist")->selectRow(1);
  boxes_->Answer(MB_RESULT_OK);
  Find<QAction>("N5")->trigger();
  ASSERT_TRUE(Until([&] { return Grid().RowCount() == 2; }));
  EXPECT_EQ(Cell(1, 0), "甲公司");
  EXPECT_EQ(Cell(1, 1), "丙公司");
  EXPECT_EQ(CountText("a"), "2条");
  EXPECT_EQ(W().Store()->TotalCompanyCount(), 2);

  // A record without a listId: the question, then nothing.
  auto loose = std::make_shared<TComPanyInfo>();
  loose->SetComName(G("丁公司"));
  Results().AppendCompany(loose);
  Find<QTableView>("dblist")->selectRow(2);
  boxes_->Answer(MB_RESULT_OK);
  Find<QAction>("N5")->trigger();
  EXPECT_EQ(AskedTexts().back(), "确定要删除 [丁公司]？");
  EXPECT_EQ(Grid().RowCount(), 3);
  EXPECT_EQ(W().Store()->TotalCompanyCount(), 2);

  // The last company deleted while the keyword is shown: the list is read again, empty.
  for (int left = 2; left > 0; --left) {
    Find<QTableView>("dblist")->selectRow(0);
    boxes_->Answer(MB_RESULT_OK);
    Find<QAction>("N5")->trigger();
    ASSERT_TRUE(Until([&] { return Grid().RowCount() == left - 1; })) << left;
  }
  EXPECT_EQ(CountText("a"), "0条");
}

TEST_F(ResultsViewTest, TheExportCommandRefusesTextThatIsNoKeyword) {
  QTest::mouseClick(Find<QPushButton>("BitmapButton3"), Qt::LeftButton);
  EXPECT_EQ(AskedTexts().back(), "请先在左侧选择一个关键词！");
  QTest::mouseClick(Find<QLabel>("txtinfo"), Qt::LeftButton);
  Type(Find<QLineEdit>("edtSearchKey"), "nokey");
  QTest::mouseClick(Find<QPushButton>("BitmapButton3"), Qt::LeftButton);
  EXPECT_EQ(AskedTexts().back(), "请先在左侧选择一个关键词！");
  EXPECT_FALSE(Find<QWidget>("rcloading")->isVisible());
}

TEST_F(ResultsViewTest, TheFilterBarNarrowsTheGridAndIsKeptPerKeyword) {
  auto save = [&](const char* name, const char* province, const char* city, bool landline) {
    TComPanyInfo c = Company("a", name, {"13800000000"});
    c.region = {G(province), G(city), TRegionSource::Landline};
    if (landline) {
      c.AddTel("020-87654321");
    }
    W().Store()->SaveCompany("a", c);
  };
  save("广州甲", "广东省", "广州市", true);
  save("深圳乙", "广东省", "深圳市", false);
  save("北京丙", "北京市", "北京市", false);
  Show("a");
  auto* count = Find<QLabel>("txtkeylist");
  EXPECT_EQ(count->text(), QString::fromUtf8("共 3 条记录"));
  auto* region = Find<QComboBox>("cbregion");
  QStringList offered;
  for (int i = 0; i < region->count(); ++i)
    offered << region->itemText(i);
  EXPECT_EQ(offered,
            QStringList({QString::fromUtf8("全部地区"), QString::fromUtf8("广东省 (2)"),
                         QString::fromUtf8("　　广州市 (1)"), QString::fromUtf8("　　深圳市 (1)"),
                         QString::fromUtf8("北京市 (1)")}));
  EXPECT_EQ(Cell(6, 0), "广州市");
  // The three share their mobile: it is marked, and so is each company, whose only mobile it is.
  EXPECT_TRUE(Cell(2, 0, Qt::ToolTipRole).toString().contains("13800000000"));
  EXPECT_EQ(Cell(0, 0, Qt::DecorationRole).value<QPixmap>().toImage(), SharedMark().toImage());

  region->setCurrentIndex(1);
  EXPECT_EQ(Grid().RowCount(), 2);
  EXPECT_EQ(count->text(), QString::fromUtf8("共 3 条记录（已筛选 2 条）"));
  Find<QCheckBox>("chkfiltertel")->setChecked(true);
  EXPECT_EQ(Grid().RowCount(), 1);
  EXPECT_EQ(Cell(1, 0), "广州甲");

  // The name box filters once the typing pauses or on Return.
  Find<QCheckBox>("chkfiltertel")->setChecked(false);
  auto* name = Find<QLineEdit>("edfiltername");
  name->insert(QString::fromUtf8("深圳"));  // as typing does: the filter waits
  EXPECT_EQ(Grid().RowCount(), 2);
  QTest::keyClick(name, Qt::Key_Return);
  EXPECT_EQ(Grid().RowCount(), 1);
  EXPECT_EQ(count->text(), QString::fromUtf8("共 3 条记录（已筛选 1 条）"));

  // A company saved meanwhile shows only when it matches.
  save("深圳丁", "广东省", "深圳市", false);
  save("上海戊", "上海市", "上海市", false);
  EXPECT_EQ(Grid().RowCount(), 2);
  EXPECT_EQ(count->text(), QString::fromUtf8("共 5 条记录（已筛选 2 条）"));

  // Another keyword has no filter; coming back restores this one's.
  Show("b");
  EXPECT_EQ(count->text(), QString::fromUtf8("共 0 条记录"));
  EXPECT_EQ(region->currentIndex(), 0);
  EXPECT_TRUE(name->text().isEmpty());
  Show("a");
  EXPECT_EQ(Grid().RowCount(), 2);
  EXPECT_EQ(name->text(), QString::fromUtf8("深圳"));
  EXPECT_EQ(region->currentText(), QString::fromUtf8("广东省 (3)"));

  Find<QPushButton>("btnfilterclear")->click();
  EXPECT_EQ(Grid().RowCount(), 5);
  EXPECT_EQ(count->text(), QString::fromUtf8("共 5 条记录"));
}

// A filter on a keyword whose companies load in batches: each batch adds only its matching rows,
// the count says how many of how many, and the load's end keeps the rows.
TEST_F(ResultsViewTest, AFilteredKeywordTakesItsLoadingRowsThroughItsFilter) {
  Show("b");  // an empty keyword loads again each time it is shown
  auto* name = Find<QLineEdit>("edfiltername");
  name->insert(QString::fromUtf8("乙"));
  QTest::keyClick(name, Qt::Key_Return);
  Show("a");
  const int rows = kLoadBatch * 2 + 5;
  {
    // Another store on the same file: the window's knows nothing of these until it loads them.
    TKeyListInfo other;
    other.LoadKeywords();
    for (int i = 0; i < rows; ++i) {
      const std::string company = (i % 3 == 0 ? "乙" : "甲") + std::to_string(i);
      ASSERT_TRUE(other.SaveCompany("b", Company("b", company.c_str(), {"13800000000"})));
    }
  }
  QSignalSpy resets(&Grid(), &QAbstractItemModel::modelReset);
  ClickItem("b");
  ASSERT_TRUE(Until([&] {
    return !W().Store()->FindKeyword("b")->LoadRunning() && Results().TotalRows() == rows;
  }));
  const int matching = (rows + 2) / 3;
  EXPECT_EQ(Grid().RowCount(), matching);
  EXPECT_EQ(resets.count(), 1);  // the click's; every batch was added below
  EXPECT_EQ(Cell(1, 0), "乙0");
  EXPECT_EQ(Cell(1, matching - 1), "乙" + std::to_string((matching - 1) * 3));
  EXPECT_EQ(Find<QLabel>("txtkeylist")->text(),
            QString::fromUtf8("共 %1 条记录（已筛选 %2 条）").arg(rows).arg(matching));
  Find<QPushButton>("btnfilterclear")->click();
  EXPECT_EQ(Grid().RowCount(), rows);
}

}  // namespace
}  // namespace vlmr::test
