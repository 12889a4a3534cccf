// The export field dialog "导出字段选择": which fields to write and in which format, for the
// keyword it was opened for (kept even when another keyword is selected meanwhile).
// Non-modal, fixed size without title-bar buttons, centred on the screen, freed when closed.
// OK unchecks the hidden address box, hands the keyword, the fields and the format to OnSave,
// and closes the dialog.
//
// The formats are four boxes: "txt格式", "Excel格式" (the BIFF worksheet), "Excel 2007+ (.xlsx)"
// and "CSV UTF-8". Checking one unchecks the others; unchecking one leaves them all off, which
// means the dialog's spreadsheet format. That is Excel格式, or .xlsx for a keyword whose rows
// (its companies and the header) are more than the BIFF worksheet holds; it is also the box
// checked when the dialog opens and by 全选.
//
// Below the described boxes: "微信" (the WeChat IDs, a column after the web address; off at the
// start, on with 全选), "不含共享号码" (ticked: shared numbers are not written, nor a company
// left without numbers), "全部" / "当前筛选" (the grid's filter; offered when one is on, and
// then chosen) and the number of companies that will be written, following both.
#pragma once

#include <QDialog>
#include <cstddef>
#include <functional>
#include <string>

#include "export/ExportFields.h"
#include "export/ExportFormat.h"
#include "store/ResultFilter.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace vlmr {

class TKeyListInfo;

class Tfmselfiled : public QDialog {
  Q_OBJECT

 public:
  using TSave = std::function<void(const std::string& keyword, const TExportFields& fields,
                                   TExportFormat format)>;

  // How many companies an export writes: of the filtered part or all, with or without shared
  // numbers.
  using TCount = std::function<std::size_t(bool filtered, bool noShared)>;

  // `keyword` is GBK; `companies` is how many it has. `parent` (the main window) outlives
  // nothing of the dialog's but frees it when it goes itself.
  Tfmselfiled(std::string keyword, QWidget* parent = nullptr, std::size_t companies = 0);

  const std::string& Keyword() const { return keyword_; }
  // The format OK would hand over now.
  TExportFormat Format() const;
  TSave OnSave;

  // Offers "当前筛选" (and chooses it) when `filterOn`; `count` gives the figure shown.
  void SetScope(bool filterOn, TCount count);
  // The choices OK hands over besides the fields and the format.
  bool Filtered() const;
  bool NoShared() const;

  // The quick-select links: 手机, QQ, 邮箱, 全选.
  void Label4Click();
  void Label3Click();
  void Label5Click();
  void Label6Click();
  // OK and Cancel.
  void qClick();
  void Button1Click();

 private:
  QLabel* MakeLink(const char* name, const char* caption);
  QCheckBox* MakeBox(const char* name, const char* caption, bool checked, bool bold = false);
  void CheckOnly(QCheckBox* box);
  QCheckBox* FormatBox(TExportFormat format) const;
  void ShowCount();

  std::string keyword_;
  QCheckBox* chkcompany_;
  QCheckBox* chkmob_;
  QCheckBox* chktel_;
  QCheckBox* chkemail_;
  QCheckBox* chkurl_;
  QCheckBox* chkaddr_;
  QCheckBox* chktxt_;
  QCheckBox* chkexecl_;
  QCheckBox* chkxlsx_;
  QCheckBox* chkcsv_;
  QCheckBox* chkwechat_;
  QCheckBox* chknoshared_;
  QRadioButton* rball_;
  QRadioButton* rbfiltered_;
  QLabel* lblcount_;
  TCount count_;
  TExportFormat sheetFormat_;  // Excel or Xlsx, by the keyword's size
};

// Opens a new field dialog for a keyword whose companies are loaded (one per call) and shows
// it without blocking; its OK runs SaveExport against `store`, with `filter` (the grid's) when
// "当前筛选" is chosen. `owner` is the main window, which owns the store: the dialog goes with it.
Tfmselfiled* OpenExportDialog(TKeyListInfo& store, const std::string& keyword, QWidget* owner,
                              const TResultFilter& filter = {});

}  // namespace vlmr
