// The keyword panel: the entry box with its watermark, the add-task and export buttons and the
// engine boxes (its entry bar, which the window places in its top band), the keyword list with
// one item per keyword, the item's and the list's menus and the buttons' hint popup. It asks
// the user's questions of its own (an empty or unstorable keyword, a delete, the clearing of
// the history) and tells the window what the user wants through its signals; the window tells
// it a keyword's state through ShowItemState.
#pragma once

#include <QWidget>
#include <string>

#include "tasks/TaskBoard.h"

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPushButton;

namespace vlmr {

class TItemButton;
class TKeyItem;

class TKeywordPanel : public QWidget {
  Q_OBJECT

 public:
  explicit TKeywordPanel(QWidget* parent = nullptr);

  // The entry row and the engine boxes; owned by the panel, placed by the window.
  QWidget* EntryBar() const { return entryBar_; }
  // The engines ticked now.
  TEngineChoice Engines() const;

  // A new item at the end of the list: the keyword (GBK), its count and its state line.
  void AddKeyword(const std::string& keyword, int count, const std::string& stateLine);
  void RemoveKeyword(const std::string& keyword);
  void ClearKeywords();
  bool HasKeyword(const std::string& keyword) const;
  void SetItemCount(const std::string& keyword, int count, const std::string& stateLine);

  // Shows a keyword's state on its item: the start button's look and hint, and the state line
  // (`updateLine` for Idle and Running).
  void ShowItemState(const std::string& keyword, TTaskState state, const std::string& updateLine);

 signals:
  // A keyword to add (trimmed, GBK, never empty).
  void addRequested(const std::string& keyword);
  void startRequested(const std::string& keyword);
  void pauseRequested(const std::string& keyword);
  void stopRequested(const std::string& keyword);
  // Asked and confirmed.
  void deleteRequested(const std::string& keyword);
  void exportRequested(const std::string& keyword);
  // An item was clicked (its keyword is now in the entry box).
  void selected(const std::string& keyword);
  // Asked and confirmed.
  void clearRequested();
  // An item's look changed.
  void itemLookChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildEntryBar();
  void BuildMenus();

  void txtinfoClick();
  void edtSearchKeyExit();
  void btnbaidustartClick();
  void BitmapButton3Click();
  void btnclearhisClick();
  void listkeyClick();
  void listkeyMouseUp(Qt::MouseButton button, const QPoint& position);
  void ItemCommand(TKeyItem& view, int tag);
  void ShowButtonHint(TItemButton& button);
  void HideButtonHint();
  void RemoveItem(QListWidgetItem* item);
  QListWidgetItem* FindItem(const std::string& keyword) const;
  TKeyItem* KeyItemOf(QListWidgetItem* item) const;

  QWidget* entryBar_ = nullptr;
  QLineEdit* edtSearchKey = nullptr;     // the keyword entry
  QLabel* txtinfo = nullptr;             // its watermark, shown while it is empty
  QPushButton* btnbaidustart = nullptr;  // "添加任务"
  QPushButton* BitmapButton3 = nullptr;  // "导出资料"
  QCheckBox* chkbd = nullptr;            // Baidu
  QCheckBox* chksg = nullptr;            // Sogou
  QCheckBox* chk360 = nullptr;
  QPushButton* btnclearhis = nullptr;  // "清空历史关键词"
  QListWidget* listkey = nullptr;
  QListWidgetItem* menuTargetItem = nullptr;  // the item pmkey was opened over
  QMenu* pmkey = nullptr;                     // an item's menu
  QAction* N6 = nullptr;                      // "开始搜索", tag 0
  QAction* poppause = nullptr;                // "暂停任务"
  QAction* popstop = nullptr;                 // "停止任务"
  QAction* N7 = nullptr;                      // "删除关键词", tag 1
  QAction* N10 = nullptr;                     // "将结果导出到文件", tag 4
  QMenu* pmtask = nullptr;                    // a running item's start-button menu
  QAction* N3 = nullptr;                      // "暂停任务"
  QAction* N4 = nullptr;                      // "停止任务"
  QFrame* popbtn = nullptr;                   // the item buttons' hint popup
  QLabel* txtbtn = nullptr;                   // its text
  std::string listkeyHint_;                   // the keyword pmtask acts on
};

}  // namespace vlmr
