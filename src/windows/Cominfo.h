// The company detail window "公司详情": one company at full length, its name, its web address
// as a link (opened in the default browser) and its mobile numbers, QQ numbers and e-mail
// addresses one per line. Landlines and the address are not shown. A borderless 447 × 466
// window whose drop-shadow panel fills it with a 10-pixel margin; the components sit on the
// panel at the positions given in the source.
//
// One window at a time: ShowCompanyDetails creates it on first use and refills the open one
// afterwards; closing (its close button) frees it.
#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QToolButton;

namespace vlmr {

class TComPanyInfo;
class TUniqueStringList;

class Tfmcominfo : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 447;
  static constexpr int kHeight = 466;

  explicit Tfmcominfo(QWidget* parent = nullptr);

  // Fills the window from the record (which it does not keep) and lays the contact blocks
  // out from y 149 down, each only when its list is not empty.
  void ShowCompany(const TComPanyInfo& company);

  void Button1Click();
  // Opens the web address with the shell.
  void txturlClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  enum class THeightRule { PerLine18OneLine20, PerLine20 };
  // Places one block at `y` (or hides it) and returns where the next one starts.
  int PlaceBlock(QLabel* label, QPlainTextEdit* memo, const TUniqueStringList& values,
                 THeightRule rule, int y, bool fitToWindow);

  QWidget* panel_;
  QToolButton* button1_;
  QLabel* txtwin_;
  QLabel* txturl_;
  QLabel* txtmob_;
  QLabel* txttel_;
  QLabel* txtemail_;
  QLabel* txtaddr_;
  QLabel* txtaddrc_;
  QPlainTextEdit* mmmob_;
  QPlainTextEdit* mmtel_;
  QPlainTextEdit* mmemail_;
};

// Shows `company` in the detail window: creates the window (owned by `owner`, centred on it)
// when none is open, otherwise refills the open one; then shows it and brings it to the front.
Tfmcominfo* ShowCompanyDetails(const TComPanyInfo& company, QWidget* owner);
// The open detail window, or none.
Tfmcominfo* CurrentCompanyWindow();

}  // namespace vlmr
