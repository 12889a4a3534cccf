#include "app/ResultFilterBar.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

#include "app/Widgets.h"
#include "base/Text.h"
#include "engine/records/KeyUnit.h"
#include "windows/GuiText.h"

namespace vlmr {
namespace {

// A region entry's data: its province and city (GBK bytes), both empty for "全部地区".
QStringList RegionData(const std::string& province, const std::string& city) {
  return {QString::fromLatin1(QByteArray::fromStdString(province).toHex()),
          QString::fromLatin1(QByteArray::fromStdString(city).toHex())};
}

std::string FromHex(const QString& hex) {
  return QByteArray::fromHex(hex.toLatin1()).toStdString();
}

}  // namespace

TResultFilterBar::TResultFilterBar(QWidget* parent) : QWidget(parent) {
  setObjectName("filterbar");
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(12, 0, 12, 4);
  row->setSpacing(6);

  cbregion_ = new QComboBox(this);
  cbregion_->setObjectName("cbregion");
  cbregion_->setMinimumWidth(130);
  cbregion_->setMaxVisibleItems(20);
  cbregion_->view()->setMinimumWidth(220);  // the list is wider than the box
  cbsource_ = new QComboBox(this);
  cbsource_->setObjectName("cbsource");
  cbsource_->addItem(U("全部来源"), QString());
  for (const auto& engine : kEngines) {
    cbsource_->addItem(U(engine.sourceLabelUtf8), U(engine.sourceLabelUtf8));
  }
  chktel_ = new QCheckBox(U("有座机"), this);
  chktel_->setObjectName("chkfiltertel");
  chkemail_ = new QCheckBox(U("有邮箱"), this);
  chkemail_->setObjectName("chkfilteremail");
  chkwechat_ = new QCheckBox(U("有微信"), this);
  chkwechat_->setObjectName("chkfilterwechat");
  chknoshared_ = new QCheckBox(U("不含共享号码"), this);
  chknoshared_->setObjectName("chkfilternoshared");
  chknoshared_->setToolTip(U("不显示号码都被三家以上不同公司使用的记录"));
  edname_ = new QLineEdit(this);
  edname_->setObjectName("edfiltername");
  edname_->setPlaceholderText(U("公司名包含..."));
  edname_->setClearButtonEnabled(true);
  edname_->setMinimumWidth(90);
  btnclear_ = MakeButton("btnfilterclear", "清除", this);
  btnclear_->setFixedWidth(52);

  row->addWidget(cbregion_);
  row->addWidget(cbsource_);
  row->addWidget(chktel_);
  row->addWidget(chkemail_);
  row->addWidget(chkwechat_);
  row->addWidget(chknoshared_);
  row->addWidget(edname_, 1);
  row->addWidget(btnclear_);

  FillRegions({}, {});

  typing_ = new QTimer(this);
  typing_->setSingleShot(true);
  typing_->setInterval(kTypingPauseMs);
  connect(typing_, &QTimer::timeout, this, [this] { Emit(); });
  connect(edname_, &QLineEdit::textEdited, this, [this] { typing_->start(); });
  connect(edname_, &QLineEdit::returnPressed, this, [this] {
    typing_->stop();
    Emit();
  });
  // The clear button of the box: at once, as a click is no typing.
  connect(edname_, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (text.isEmpty() && !quiet_) {
      typing_->stop();
      Emit();
    }
  });
  for (QComboBox* box : {cbregion_, cbsource_}) {
    connect(box, &QComboBox::currentIndexChanged, this, [this] { Emit(); });
  }
  for (QCheckBox* box : {chktel_, chkemail_, chkwechat_, chknoshared_}) {
    connect(box, &QCheckBox::toggled, this, [this] { Emit(); });
  }
  connect(btnclear_, &QPushButton::clicked, this, [this] {
    SetFilter({});
    Emit();
  });
}

void TResultFilterBar::FillRegions(const std::vector<TProvinceCount>& regions,
                                   const TResultFilter& keep) {
  const bool wasQuiet = quiet_;
  quiet_ = true;
  cbregion_->clear();
  std::size_t total = 0;
  for (const auto& province : regions) {
    total += province.count;
  }
  cbregion_->addItem(U("全部地区"), RegionData({}, {}));
  int chosen = 0;
  bool keepFound = keep.province.empty();
  for (const auto& province : regions) {
    cbregion_->addItem(QString("%1 (%2)").arg(FromGbk(province.province)).arg(province.count),
                       RegionData(province.province, {}));
    if (keep.province == province.province && keep.city.empty()) {
      chosen = cbregion_->count() - 1;
      keepFound = true;
    }
    for (const auto& city : province.cities) {
      if (city.name == province.province) {
        continue;  // a municipality is its own city
      }
      cbregion_->addItem(QString::fromUtf8("　　%1 (%2)").arg(FromGbk(city.name)).arg(city.count),
                         RegionData(province.province, city.name));
      if (keep.province == province.province && keep.city == city.name) {
        chosen = cbregion_->count() - 1;
        keepFound = true;
      }
    }
  }
  if (!keepFound) {
    const std::string& shown = keep.city.empty() ? keep.province : keep.city;
    cbregion_->addItem(QString("%1 (0)").arg(FromGbk(shown)), RegionData(keep.province, keep.city));
    chosen = cbregion_->count() - 1;
  }
  cbregion_->setCurrentIndex(chosen);
  quiet_ = wasQuiet;
}

void TResultFilterBar::SetRegions(const std::vector<TProvinceCount>& regions) {
  FillRegions(regions, Filter());
}

void TResultFilterBar::SetFilter(const TResultFilter& filter) {
  quiet_ = true;
  typing_->stop();
  // The region is chosen among the entries offered, or added as one.
  bool found = false;
  for (int i = 0; i < cbregion_->count(); ++i) {
    const QStringList data = cbregion_->itemData(i).toStringList();
    if (data.size() == 2 && FromHex(data[0]) == filter.province &&
        FromHex(data[1]) == filter.city) {
      cbregion_->setCurrentIndex(i);
      found = true;
      break;
    }
  }
  if (!found) {
    const std::string& shown = filter.city.empty() ? filter.province : filter.city;
    cbregion_->addItem(QString("%1 (0)").arg(FromGbk(shown)),
                       RegionData(filter.province, filter.city));
    cbregion_->setCurrentIndex(cbregion_->count() - 1);
  }
  const int source = cbsource_->findData(FromGbk(filter.source));
  cbsource_->setCurrentIndex(filter.source.empty() || source < 0 ? 0 : source);
  chktel_->setChecked(filter.hasLandline);
  chkemail_->setChecked(filter.hasEmail);
  chkwechat_->setChecked(filter.hasWeChat);
  chknoshared_->setChecked(filter.noShared);
  edname_->setText(FromGbk(filter.name));
  quiet_ = false;
}

TResultFilter TResultFilterBar::Filter() const {
  TResultFilter filter;
  const QStringList region = cbregion_->currentData().toStringList();
  if (region.size() == 2) {
    filter.province = FromHex(region[0]);
    filter.city = FromHex(region[1]);
  }
  filter.source = ToGbk(cbsource_->currentData().toString());
  filter.hasLandline = chktel_->isChecked();
  filter.hasEmail = chkemail_->isChecked();
  filter.hasWeChat = chkwechat_->isChecked();
  filter.noShared = chknoshared_->isChecked();
  filter.name = ToGbk(edname_->text().trimmed());
  return filter;
}

void TResultFilterBar::Emit() {
  if (!quiet_) {
    emit filterChanged(Filter());
  }
}

}  // namespace vlmr
