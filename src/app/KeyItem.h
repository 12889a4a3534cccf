// One item of the keyword list, built from the "keyitem" template: the keyword, its record
// count and its state line, and three buttons (start/stop tag 0,
// delete tag 1, export tag 4). A button's look is a named style; its hint follows the style.
#pragma once

#include <QToolButton>
#include <QWidget>
#include <functional>
#include <string>

class QLabel;

namespace vlmr {

// A button of a keyword item: a tag that says what it does, a style that says how it looks,
// and a hint shown on hover while hint display is on.
class TItemButton : public QToolButton {
  Q_OBJECT

 public:
  TItemButton(int tag, QWidget* parent);

  int Tag() const { return tag_; }
  const QString& Style() const { return style_; }
  // Sets the look: "startbtn", "stopbtn", "delbtn" or "exportbtn".
  void SetStyle(const QString& style);
  const QString& Hint() const { return hint_; }
  void SetHint(const QString& hint);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool show);

  // Called when the mouse enters or leaves the button.
  std::function<void(TItemButton&)> onEnter;
  std::function<void(TItemButton&)> onLeave;

 protected:
  bool event(QEvent* e) override;
  void enterEvent(QEnterEvent* e) override;
  void leaveEvent(QEvent* e) override;

 private:
  int tag_;
  QString style_;
  QString hint_;
  bool showHint_ = true;
};

class TKeyItem : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kHeight = 65;

  explicit TKeyItem(QWidget* parent = nullptr);

  // The item's fields by their names: "text", "count", "date".
  QLabel* Field(const char* name) const;
  // "text": the keyword (GBK), shown elided when it is wider than the field.
  void SetKeyword(const std::string& keyword);
  const std::string& Keyword() const { return keyword_; }
  // "count": shown whole, right-aligned; a count wider than the field widens it to the left
  // and the keyword gives up that room (elided again).
  void SetCount(const QString& text);

  TItemButton* startButton = nullptr;
  TItemButton* deleteButton = nullptr;
  TItemButton* exportButton = nullptr;
  // The button with `tag`, or nullptr.
  TItemButton* ButtonWithTag(int tag) const;

 private:
  void ElideKeyword();

  std::string keyword_;
  QLabel* text_;
  QLabel* count_;
  QLabel* date_;
};

}  // namespace vlmr
