// The company detail window "公司详情": one company at full length, its name, its web address
// as a link (opened in the default browser), its region and where it was read from, and its
// mobile numbers, its other numbers grouped by kind (landline, 400, 800, other) with the kind
// beside each, QQ numbers, WeChat IDs and e-mail addresses one per line; a shared number is
// marked "[共享号码]". The address is not shown. A borderless 447 × 466
// window whose drop-shadow panel fills it with a 10-pixel margin; the components sit on the
// panel at the positions given in the source.
//
// One window at a time: ShowCompanyDetails creates it on first use and refills the open one
// afterwards; closing (its close button) frees it.
#pragma once

#include <QStringList>
#include <QWidget>
#include <string>
#include <unordered_set>

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
  // out from y 149 down, each only when its list is not empty. `shared` holds the digits of
  // the shared numbers (none: nothing is marked).
  void ShowCompany(const TComPanyInfo& company,
                   const std::unordered_set<std::string>* shared = nullptr);

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
  int PlaceLines(QLabel* label, QPlainTextEdit* memo, const QStringList& lines, THeightRule rule,
                 int y, bool fitToWindow);

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
  QLabel* txtregion_;
  QLabel* txtphone_;
  QLabel* txtwechat_;
  QPlainTextEdit* mmphone_;
  QPlainTextEdit* mmwechat_;
};

// Shows `company` in the detail window: creates the window (owned by `owner`, centred on it)
// when none is open, otherwise refills the open one; then shows it and brings it to the front.
Tfmcominfo* ShowCompanyDetails(const TComPanyInfo& company, QWidget* owner,
                               const std::unordered_set<std::string>* shared = nullptr);
// The open detail window, or none.
Tfmcominfo* CurrentCompanyWindow();

}  // namespace vlmr
