// The filter bar above the results grid: a region drop-down (the provinces and cities present
// among the keyword's companies, with their counts), the source engine, "有座机", "有邮箱",
// "有微信", "不含共享号码", a box whose text the company name must hold, and "清除". Every change
// emits the whole filter; typing in the name box emits once the typing pauses (kTypingPauseMs),
// so a long list is not filtered again at every key.
#pragma once

#include <QWidget>
#include <vector>

#include "store/ResultFilter.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTimer;

namespace vlmr {

class TResultFilterBar : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kTypingPauseMs = 300;

  explicit TResultFilterBar(QWidget* parent = nullptr);

  // The regions to offer, their counts beside them. The chosen region stays chosen when it is
  // still offered (with its new count); otherwise it is offered with a count of 0.
  void SetRegions(const std::vector<TProvinceCount>& regions);
  // Shows `filter` without emitting filterChanged.
  void SetFilter(const TResultFilter& filter);
  // The filter the controls show (the name box's text too, even while typing goes on).
  TResultFilter Filter() const;

 signals:
  void filterChanged(const vlmr::TResultFilter& filter);

 private:
  void Emit();
  void FillRegions(const std::vector<TProvinceCount>& regions, const TResultFilter& keep);

  QComboBox* cbregion_;
  QComboBox* cbsource_;
  QCheckBox* chktel_;
  QCheckBox* chkemail_;
  QCheckBox* chkwechat_;
  QCheckBox* chknoshared_;
  QLineEdit* edname_;
  QPushButton* btnclear_;
  QTimer* typing_;
  bool quiet_ = false;  // set while the controls are filled from code
};

}  // namespace vlmr
