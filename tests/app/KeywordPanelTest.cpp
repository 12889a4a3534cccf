// The keyword panel driven as a user drives it: typing, clicks on items and their buttons,
// context-menu entries and answers to the questions, against the simulated web with all three
// engines.
#include <QAction>
#include <QCheckBox>
#include <QEnterEvent>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <map>
#include <set>

#include "app/KeywordPanel.h"
#include "app/WindowFixture.h"
#include "engine/TaskCtl.h"
#include "support/TestText.h"

namespace vlmr::test {
namespace {

// How an item's start button and state line look.
struct TLook {
  const char* style;
  bool enabled;
  const char* hint;
  const char* line;  // start of the state line
};
const TLook kIdle{"startbtn", true, "开始搜索", "最后更新："};
const TLook kRunning{"stopbtn", true, "停止搜索", "最后更新："};
const TLook kPaused{"startbtn", true, "开始搜索", "任务已暂停..."};
const TLook kStopping{"stopbtn", false, "停止搜索", "正在停止任务..."};

class KeywordPanelTest : public CollectingWindowTest {
 protected:
  bool Looks(const std::string& keyword, const TLook& look) {
    TKeyItem* item = Item(keyword);
    if (!item)
      return false;
    TItemButton* b = item->startButton;
    return b->Style() == look.style && b->isEnabled() == look.enabled &&
           b->Hint() == QString::fromUtf8(look.hint) && DateLine(keyword).rfind(look.line, 0) == 0;
  }
  void ExpectLook(const std::string& keyword, const TLook& look, const char* step) {
    TKeyItem* item = Item(keyword);
    ASSERT_NE(item, nullptr) << step;
    EXPECT_EQ(item->startButton->Style().toStdString(), look.style) << step;
    EXPECT_EQ(item->startButton->isEnabled(), look.enabled) << step;
    EXPECT_EQ(item->startButton->Hint().toStdString(), look.hint) << step;
    EXPECT_EQ(DateLine(keyword).rfind(look.line, 0), 0u) << step << ": " << DateLine(keyword);
  }
  const TTaskCtl* Task(const std::string& keyword) { return W().Board()->Task(keyword); }
  // Adds a keyword through the entry box and answers the success question.
  void Add(const char* keywordUtf8, int answer) {
    boxes_->Answer(answer);
    TypeAndAdd(QString::fromUtf8(keywordUtf8));
  }
  // Starts a keyword and waits until it runs and, for the first task, until each engine has
  // asked for a page. With the clock frozen every collector then waits at a gate: the gates
  // are shared, so a later task's collectors never pass theirs.
  void StartAndWaitAtTheGates(const char* keywordUtf8, bool firstTask = true) {
    std::size_t before[3] = {Asked(TSearchEngine::Baidu).size(), Asked(TSearchEngine::Sogou).size(),
                             Asked(TSearchEngine::So360).size()};
    Add(keywordUtf8, MB_RESULT_OK);
    ASSERT_TRUE(Until([&] {
      if (!firstTask)
        return Looks(G(keywordUtf8), kRunning);
      return Looks(G(keywordUtf8), kRunning) && Asked(TSearchEngine::Baidu).size() > before[0] &&
             Asked(TSearchEngine::Sogou).size() > before[1] &&
             Asked(TSearchEngine::So360).size() > before[2];
    }));
  }
};

TEST_F(KeywordPanelTest, AddConfirmAndCompaniesArriveFromAllThreeEnginesUntilTheIdleRuleEnds) {
  ThreeCompanies();
  clock_.Freeze(true);
  NewWindow();
  Add("广州 电子公司", MB_RESULT_OK);
  const std::string k = G("广州 电子公司");
  ASSERT_EQ(boxes_->Asked().size(), 1u);
  EXPECT_EQ(AskedTexts()[0],
            "任务已添加成功：\r\n      点[确定]按钮立即搜索 \r\n      点[取消]继续添加任务");
  EXPECT_EQ(boxes_->Asked()[0].kind, MB_KIND_QUESTION);
  ASSERT_NE(Item(k), nullptr);
  EXPECT_FALSE(Find<QLabel>("imgbg")->isVisible());

  // The new keyword's companies load first; the load's end shows it and starts the task.
  ASSERT_TRUE(Until([&] { return Grid().RowCount() == 3; }));
  EXPECT_EQ(Results().Keyword(), k);
  EXPECT_EQ(Find<QLabel>("txtkeylist")->text(), QString::fromUtf8("共 3 条记录"));
  EXPECT_EQ(CountText(k), "3条");
  EXPECT_EQ(Text(Find<QLabel>("txtrel")), "当前已采集记录：3条");
  EXPECT_TRUE(Looks(k, kRunning));

  std::set<std::string> hosts, sources;
  int promoted = 0;
  for (int row = 0; row < 3; ++row) {
    auto record = Grid().CompanyAt(row);
    hosts.insert(record->webUrl);
    const QPixmap shown = Cell(0, row, Qt::DecorationRole).value<QPixmap>();
    const QPixmap& expected = record->isPay == 1 ? Promoted() : Plain();
    EXPECT_EQ(shown.toImage(), expected.toImage()) << row;
    promoted += record->isPay;
    const std::string mobile = Cell(2, row, Qt::DisplayRole).toString().toStdString();
    EXPECT_EQ(mobile.substr(0, 10), "1380000000") << row;
    EXPECT_EQ(mobile.substr(11), "\r ") << row;
    sources.insert(Cell(5, row, Qt::DisplayRole).toString().toStdString());
    EXPECT_FALSE(Cell(1, row, Qt::DisplayRole).toString().isEmpty());
  }
  EXPECT_EQ(hosts.size(), 3u);
  EXPECT_EQ(promoted, 2);
  EXPECT_EQ(sources, (std::set<std::string>{"百度", "搜狗", "360"}));

  // Later pages bring nothing new: the store refuses a page report, the task stops, and the
  // item is idle again once the engines have ended.
  clock_.Freeze(false);
  ASSERT_TRUE(Until([&] { return Looks(k, kIdle) && !Task(k); }));
  EXPECT_TRUE(AllWorkersGone());
  EXPECT_EQ(Grid().RowCount(), 3);
}

TEST_F(KeywordPanelTest, ItemStatesFollowTheCommands) {
  clock_.Freeze(true);
  NewWindow();
  const std::string k = G("k");
  Add("k", MB_RESULT_CANCEL);  // added, not started
  ASSERT_NE(Item(k), nullptr);

  struct TStep {
    const char* name;
    std::function<void()> act;
    const TLook* look;
    std::function<bool()> engines;  // what the collectors do then
  };
  auto threads = [&] { return Task(k) ? Task(k)->threads.size() : 0u; };
  auto allPaused = [&](bool paused) {
    const TTaskCtl* t = Task(k);
    if (!t || t->threads.size() != 3)
      return false;
    for (auto& e : t->threads)
      if (e.second->IsPaused() != paused)
        return false;
    return true;
  };
  TStep steps[] = {
      {"idle", [] {}, &kIdle, [&] { return threads() == 0; }},
      {"waiting for load", [&] { QTest::mouseClick(Item(k)->startButton, Qt::LeftButton); }, &kIdle,
       [&] { return threads() == 0; }},
      {"running",
       [&] {
         ASSERT_TRUE(Until([&] { return Looks(k, kRunning); }));
         ASSERT_TRUE(Until([&] {
           return !Asked(TSearchEngine::Baidu).empty() && !Asked(TSearchEngine::Sogou).empty() &&
                  !Asked(TSearchEngine::So360).empty();
         }));
       },
       &kRunning, [&] { return allPaused(false); }},
      {"paused",
       [&] {
         RightClickItem(k);
         EXPECT_FALSE(Find<QAction>("N6")->isVisible());
         EXPECT_TRUE(Find<QAction>("poppause")->isVisible());
         EXPECT_TRUE(Find<QAction>("popstop")->isVisible());
         Find<QMenu>("pmkey")->hide();
         Find<QAction>("poppause")->trigger();
       },
       &kPaused, [&] { return allPaused(true); }},
      {"resumed by start", [&] { QTest::mouseClick(Item(k)->startButton, Qt::LeftButton); },
       &kRunning, [&] { return allPaused(false); }},
      {"stopping",
       [&] {
         // The start button in the stop look opens the task menu instead of starting.
         QTest::mouseClick(Item(k)->startButton, Qt::LeftButton);
         EXPECT_TRUE(Find<QMenu>("pmtask")->isVisible());
         Find<QMenu>("pmtask")->hide();
         Find<QAction>("N4")->trigger();
       },
       &kStopping, [&] { return Task(k) == nullptr; }},
      {"idle after an engine's end", [&] { ASSERT_TRUE(Until([&] { return Looks(k, kIdle); })); },
       &kIdle, [&] { return Task(k) == nullptr; }},
  };
  for (TStep& step : steps) {
    step.act();
    ExpectLook(k, *step.look, step.name);
    EXPECT_TRUE(step.engines()) << step.name;
  }
  RightClickItem(k);
  EXPECT_TRUE(Find<QAction>("N6")->isVisible());
  EXPECT_FALSE(Find<QAction>("poppause")->isVisible());
  EXPECT_FALSE(Find<QAction>("popstop")->isVisible());
  Find<QMenu>("pmkey")->hide();
  EXPECT_TRUE(AllWorkersGone());
}

TEST_F(KeywordPanelTest, EntryRulesAndTheRefusedStart) {
  NewWindow();
  // Empty and blank keywords are refused.
  QTest::mouseClick(Find<QPushButton>("btnbaidustart"), Qt::LeftButton);
  TypeAndAdd("   ");
  ASSERT_EQ(AskedTexts(), (std::vector<std::string>{"关键词不能为空！", "关键词不能为空！"}));
  EXPECT_EQ(boxes_->Asked()[0].kind, MB_KIND_INFORMATION);
  EXPECT_EQ(Find<QListWidget>("listkey")->count(), 0);

  // A character GBK cannot hold would be stored as "?": refused, named, and the text stays.
  const QString emoji = QString::fromUtf8("广州\xF0\x9F\x98\x80电子");
  TypeAndAdd(emoji);
  EXPECT_EQ(AskedTexts().back(),
            "关键词中含有无法保存的字符（U+1F600），请删除或换成其他文字后再添加。");
  EXPECT_EQ(boxes_->Asked().back().kind, MB_KIND_INFORMATION);
  EXPECT_EQ(Find<QLineEdit>("edtSearchKey")->text(), emoji);
  EXPECT_EQ(Find<QListWidget>("listkey")->count(), 0);
  EXPECT_TRUE(W().Store()->Keywords().empty());
  Find<QLineEdit>("edtSearchKey")->clear();

  // Blanks are trimmed; Enter adds too; an equal keyword (but for case) adds no second item
  // and its start acts on the existing one.
  boxes_->Answer(MB_RESULT_CANCEL);
  QTest::mouseClick(Find<QLabel>("txtinfo"), Qt::LeftButton);
  Type(Find<QLineEdit>("edtSearchKey"), "  Shop  ");
  QTest::keyClick(Find<QLineEdit>("edtSearchKey"), Qt::Key_Return);
  ASSERT_EQ(Find<QListWidget>("listkey")->count(), 1);
  EXPECT_NE(Item("Shop"), nullptr);

  // No engine ticked: the start is refused and the item stays idle.
  for (QCheckBox* c :
       {Find<QCheckBox>("chkbd"), Find<QCheckBox>("chksg"), Find<QCheckBox>("chk360")})
    c->setChecked(false);
  boxes_->Answer(MB_RESULT_OK);
  TypeAndAdd("SHOP");
  EXPECT_EQ(Find<QListWidget>("listkey")->count(), 1);
  EXPECT_EQ(AskedTexts().back(), "请至少选择一个信息来源！");
  EXPECT_EQ(boxes_->Asked().back().kind, MB_KIND_INFORMATION);
  QTest::qWait(1);
  ExpectLook("Shop", kIdle, "refused start");
  EXPECT_EQ(Task("Shop"), nullptr);
  EXPECT_EQ(TWorkerRegistry::Count(), 0);
}

TEST_F(KeywordPanelTest, ItemLayoutHintsAndTheHintPopup) {
  NewWindow();
  Add("k", MB_RESULT_CANCEL);
  TKeyItem* item = Item("k");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(Find<QListWidget>("listkey")->visualItemRect(ListItem("k")).height(), 65);
  EXPECT_EQ(CountText("k"), "0条");
  TKeyData* record = W().Store()->FindKeyword("k");
  EXPECT_EQ(DateLine("k"), "最后更新：" + FormatStoredTime(record->AddDate));

  struct TButton {
    TItemButton* button;
    int tag;
    QRect place;
    const char* style;
    const char* hint;
  } buttons[] = {
      {item->startButton, 0, QRect(5, 20, 24, 24), "startbtn", "开始搜索"},
      {item->deleteButton, 1, QRect(43, 43, 18, 18), "delbtn", "删除此关键词"},
      {item->exportButton, 4, QRect(70, 43, 18, 18), "exportbtn", "将搜索结果导出为文件"},
  };
  for (const TButton& b : buttons) {
    EXPECT_EQ(b.button->Tag(), b.tag);
    EXPECT_EQ(b.button->geometry(), b.place) << b.style;
    EXPECT_EQ(b.button->Style().toStdString(), b.style);
    EXPECT_EQ(b.button->Hint().toStdString(), b.hint);
  }
  // The delete and export buttons show their hint in the popup, 12 pixels a character + 15.
  for (const TButton& b : {buttons[1], buttons[2]}) {
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(b.button, &enter);
    EXPECT_TRUE(Find<QFrame>("popbtn")->isVisible()) << b.style;
    EXPECT_EQ(Find<QLabel>("txtbtn")->text().toStdString(), b.hint);
    EXPECT_EQ(Find<QFrame>("popbtn")->width(), 12 * QString::fromUtf8(b.hint).size() + 15);
    EXPECT_FALSE(b.button->ShowHint());  // its own hint is off while the popup shows it
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(b.button, &leave);
    EXPECT_FALSE(Find<QFrame>("popbtn")->isVisible());
  }
}

TEST_F(KeywordPanelTest, DeleteAKeywordWhileItsTaskRuns) {
  clock_.Freeze(true);
  ThreeCompanies();
  NewWindow();
  StartAndWaitAtTheGates("k");
  const int rows = Grid().RowCount();

  boxes_->Answer(MB_RESULT_CANCEL);
  QTest::mouseClick(Item("k")->deleteButton, Qt::LeftButton);
  EXPECT_EQ(AskedTexts().back(), "确定要删除关键词 [k] 吗?");
  ASSERT_NE(Item("k"), nullptr);  // Cancel keeps it

  boxes_->Answer(MB_RESULT_OK);
  QTest::mouseClick(Item("k")->deleteButton, Qt::LeftButton);
  EXPECT_EQ(ListItem("k"), nullptr);
  EXPECT_EQ(W().Store()->FindKeyword("k"), nullptr);
  // Its engines were asked to stop: they end even though their gates stay shut.
  EXPECT_TRUE(AllWorkersGone());
  EXPECT_EQ(Grid().RowCount(), rows);  // the grid keeps what it showed
}

TEST_F(KeywordPanelTest, ClearingTheHistoryStopsEveryTask) {
  clock_.Freeze(true);
  NewWindow();
  StartAndWaitAtTheGates("a");
  StartAndWaitAtTheGates("b", false);
  ASSERT_EQ(Find<QListWidget>("listkey")->count(), 2);

  boxes_->Answer(MB_RESULT_CANCEL);
  QTest::mouseClick(Find<QPushButton>("btnclearhis"), Qt::LeftButton);
  EXPECT_EQ(AskedTexts().back(),
            "清空会将所有搜索到的结果删除，确定要清空历史已搜索的历史记录吗？");
  EXPECT_EQ(Find<QListWidget>("listkey")->count(), 2);

  boxes_->Answer(MB_RESULT_OK);
  // The texts of running tasks, as their collectors and crawlers left them.
  const std::string shown = Results().Keyword();
  const std::string entering = G("正在进入企业网站...");
  const std::string detail = G("正在获取[甲公司]详细信息...");
  TCaiJiInfo progress{shown, entering, 1, G("百度")};
  SendCollectReport(W().Handle(), TProgressReport{&progress});
  SendCollectReport(W().Handle(), TStatusReport{&detail, &shown});
  ASSERT_EQ(Text(Find<QLabel>("txttip")), "正在进入企业网站...");
  ASSERT_EQ(Text(Find<QLabel>("txtstat")), "正在获取[甲公司]详细信息...");

  QTest::mouseClick(Find<QPushButton>("btnclearhis"), Qt::LeftButton);
  EXPECT_EQ(Find<QListWidget>("listkey")->count(), 0);
  EXPECT_TRUE(W().Store()->Keywords().empty());
  EXPECT_EQ(Grid().RowCount(), 0);
  EXPECT_TRUE(AllWorkersGone());  // with every gate still shut: the tasks were stopped
  EXPECT_EQ(Text(Find<QLabel>("txtrel")), "当前已采集记录：0条");
  // The tip box and the status line say so, and a late text of a stopped task changes nothing.
  EXPECT_EQ(Text(Find<QLabel>("txttip")), "历史记录已清空，正在运行的任务已全部停止。");
  EXPECT_EQ(Text(Find<QLabel>("txtstat")), "任务已全部停止");
  SendCollectReport(W().Handle(), TProgressReport{&progress});
  SendCollectReport(W().Handle(), TStatusReport{&detail, &shown});
  EXPECT_EQ(Text(Find<QLabel>("txttip")), "历史记录已清空，正在运行的任务已全部停止。");
  EXPECT_EQ(Text(Find<QLabel>("txtstat")), "任务已全部停止");
}

TEST_F(KeywordPanelTest, TheIdleRuleStopsATaskThatIsNotOnDisplay) {
  clock_.Freeze(true);
  NewWindow();
  StartAndWaitAtTheGates("a");
  StartAndWaitAtTheGates("b", false);
  ClickItem("a");
  ASSERT_TRUE(Until(
      [&] { return Results().Keyword() == "a" && !Find<QWidget>("rcloading")->isVisible(); }));

  // Pages of b that bring nothing: the store refuses one within four reports.
  TCaiJiInfo page{"b", "", 1, G("百度")};
  for (int i = 0; i < 4 && !Looks("b", kStopping); ++i)
    SendCollectReport(W().Handle(), TPageReport{&page});
  ExpectLook("b", kStopping, "b refused");
  EXPECT_EQ(Task("b"), nullptr);
  ExpectLook("a", kRunning, "a untouched");
  ASSERT_TRUE(Until([&] { return Looks("b", kIdle); }));
  EXPECT_EQ(Task("a")->threads.size(), 3u);
}

TEST_F(KeywordPanelTest, RestartFindsEverythingAndResumesWhereEachEngineStopped) {
  ThreeCompanies();
  clock_.Freeze(true);
  NewWindow();
  Add("a", MB_RESULT_OK);
  ASSERT_TRUE(Until([&] { return Grid().RowCount() == 3; }));
  clock_.Freeze(false);
  ASSERT_TRUE(Until([&] { return Looks("a", kIdle); }));
  ASSERT_TRUE(AllWorkersGone());
  Add("b", MB_RESULT_CANCEL);

  // A new window on the same program folder.
  NewWindow();
  ASSERT_EQ(Find<QListWidget>("listkey")->count(), 2);
  EXPECT_EQ(CountText("a"), "3条");
  EXPECT_EQ(CountText("b"), "0条");
  EXPECT_EQ(Text(Find<QLabel>("txtrel")), "当前已采集记录：3条");
  std::map<TEngineIndex, int> stored;
  for (TEngineIndex e : {ENGINE_BAIDU, ENGINE_SOGOU, ENGINE_360}) {
    stored[e] = W().Store()->FindKeyword("a")->LastPageOf(e);
    EXPECT_GE(stored[e], 1) << e;  // past the page with results
  }

  // Selecting a keyword shows the overlay until its companies are loaded.
  ClickItem("a");
  EXPECT_TRUE(Find<QWidget>("rcloading")->isVisible());
  EXPECT_EQ(Find<QProgressBar>("anload")->maximum(), 0);  // running
  EXPECT_EQ(Find<QLineEdit>("edtSearchKey")->text(), QString("a"));
  EXPECT_EQ(Text(Find<QLabel>("txtstat")), "当前已选择[a]");
  EXPECT_EQ(Text(Find<QLabel>("txttiptitle")), "温馨提示");
  ASSERT_TRUE(Until([&] { return !Find<QWidget>("rcloading")->isVisible(); }));
  EXPECT_EQ(Grid().RowCount(), 3);
  EXPECT_EQ(Find<QLabel>("txtkeylist")->text(), QString::fromUtf8("共 3 条记录"));

  ClickItem("b");
  ASSERT_TRUE(Until([&] { return !Find<QWidget>("rcloading")->isVisible(); }));
  EXPECT_EQ(Grid().RowCount(), 0);
  EXPECT_EQ(Find<QLabel>("txtkeylist")->text(), QString::fromUtf8("共 0 条记录"));

  // A start resumes each engine at the page it had reached.
  const std::size_t before[3] = {Asked(TSearchEngine::Baidu).size(),
                                 Asked(TSearchEngine::Sogou).size(),
                                 Asked(TSearchEngine::So360).size()};
  QTest::mouseClick(Item("a")->startButton, Qt::LeftButton);
  ASSERT_TRUE(Until([&] {
    return Asked(TSearchEngine::Baidu).size() > before[0] &&
           Asked(TSearchEngine::Sogou).size() > before[1] &&
           Asked(TSearchEngine::So360).size() > before[2];
  }));
  EXPECT_EQ(Asked(TSearchEngine::Baidu)[before[0]], stored[ENGINE_BAIDU]);
  EXPECT_EQ(Asked(TSearchEngine::Sogou)[before[1]], stored[ENGINE_SOGOU]);
  EXPECT_EQ(Asked(TSearchEngine::So360)[before[2]], stored[ENGINE_360]);
  ASSERT_TRUE(Until([&] { return Looks("a", kIdle); }));
  EXPECT_TRUE(AllWorkersGone());
}

TEST_F(KeywordPanelTest, ExitStopsRunningTasksAndWaitsForThem) {
  clock_.Freeze(true);
  NewWindow();
  StartAndWaitAtTheGates("a");
  StartAndWaitAtTheGates("b", false);
  boxes_->Answer(MB_RESULT_OK);
  W().N11Click();
  EXPECT_TRUE(W().Ending());
  EXPECT_EQ(TWorkerRegistry::Count(), 0);
}

// A count of any size shows whole at the item's right edge; the keyword gives up the room a
// wide count needs and is elided into what is left.
TEST(KeywordItemCount, ShowsEveryDigitAndTheKeywordMakesRoom) {
  const std::string keyword = Utf8ToGbk("广州市天河区电子科技有限公司批发");
  for (int count : {0, 999, 1000000, 12345678}) {
    SCOPED_TRACE(count);
    TKeywordPanel panel;
    panel.AddKeyword(keyword, 0, "");
    panel.SetItemCount(keyword, count, "");
    TKeyItem* item = panel.findChild<TKeyItem*>("keyitem");
    ASSERT_NE(item, nullptr);
    QLabel* shown = item->Field("count");
    const QString text = QString::number(count) + QString::fromUtf8("条");
    EXPECT_EQ(shown->text(), text);
    EXPECT_GE(shown->width(), shown->fontMetrics().horizontalAdvance(text));
    EXPECT_EQ(shown->geometry().right() + 1, 230);
    QLabel* name = item->Field("text");
    EXPECT_LE(name->geometry().right() + 1, shown->x());
    EXPECT_LE(name->fontMetrics().horizontalAdvance(name->text()), name->width());
  }
}

}  // namespace
}  // namespace vlmr::test
