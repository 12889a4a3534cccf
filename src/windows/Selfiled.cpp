#include "windows/Selfiled.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "export/DS2Excel.h"
#include "store/KeyListInfo.h"
#include "windows/ExportSave.h"

namespace vlmr {

Tfmselfiled::Tfmselfiled(std::string keyword, QWidget* parent, std::size_t companies)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      keyword_(std::move(keyword)),
      sheetFormat_(companies + 1 > TDS2Excel::kMaxRows ? TExportFormat::Xlsx
                                                       : TExportFormat::Excel) {
  setObjectName("fmselfiled");
  setWindowTitle(QString::fromUtf8("导出字段选择"));
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);

  auto* label1 = new QLabel(QString::fromUtf8("请选择需要导出的字段："), this);
  label1->setObjectName("Label1");
  auto* label2 = new QLabel(QString::fromUtf8("快速选择："), this);
  label2->setObjectName("Label2");
  label2->setStyleSheet("color: #0000ff;");
  QLabel* label4 = MakeLink("Label4", "手机");
  QLabel* label3 = MakeLink("Label3", "QQ");
  QLabel* label5 = MakeLink("Label5", "邮箱");
  QLabel* label6 = MakeLink("Label6", "全选");
  connect(label4, &QLabel::linkActivated, this, [this] { Label4Click(); });
  connect(label3, &QLabel::linkActivated, this, [this] { Label3Click(); });
  connect(label5, &QLabel::linkActivated, this, [this] { Label5Click(); });
  connect(label6, &QLabel::linkActivated, this, [this] { Label6Click(); });

  chkcompany_ = MakeBox("chkcompany", "公司名", true);
  chkmob_ = MakeBox("chkmob", "手机", true);
  chktel_ = MakeBox("chktel", "QQ", true);
  chkemail_ = MakeBox("chkemail", "EMail邮箱", true);
  chkurl_ = MakeBox("chkurl", "网址", true);
  chkaddr_ = MakeBox("chkaddr", "地址", true);
  chkaddr_->hide();
  chkwechat_ = MakeBox("chkwechat", "微信", false);
  chknoshared_ = MakeBox("chknoshared", "不含共享号码", true);
  chknoshared_->setToolTip(QString::fromUtf8("不导出三家以上不同公司使用的号码"));
  rball_ = new QRadioButton(QString::fromUtf8("全部"), this);
  rball_->setObjectName("rball");
  rbfiltered_ = new QRadioButton(QString::fromUtf8("当前筛选"), this);
  rbfiltered_->setObjectName("rbfiltered");
  rball_->setChecked(true);
  rbfiltered_->setEnabled(false);
  lblcount_ = new QLabel(this);
  lblcount_->setObjectName("lblcount");
  lblcount_->setStyleSheet("color: #008000;");
  for (QAbstractButton* box :
       {static_cast<QAbstractButton*>(chknoshared_), static_cast<QAbstractButton*>(rball_),
        static_cast<QAbstractButton*>(rbfiltered_)}) {
    connect(box, &QAbstractButton::toggled, this, [this] { ShowCount(); });
  }
  chktxt_ = MakeBox("chktxt", "txt格式", false, true);
  chkexecl_ = MakeBox("chkexecl", "Excel格式", false, true);
  chkxlsx_ = MakeBox("chkxlsx", "Excel 2007+ (.xlsx)", false, true);
  chkcsv_ = MakeBox("chkcsv", "CSV UTF-8", false, true);
  FormatBox(sheetFormat_)->setChecked(true);
  // Checking one format unchecks the others; unchecking one leaves the others as they are.
  for (QCheckBox* box : {chktxt_, chkexecl_, chkxlsx_, chkcsv_}) {
    connect(box, &QCheckBox::toggled, this, [this, box](bool on) {
      if (!on)
        return;
      for (QCheckBox* other : {chktxt_, chkexecl_, chkxlsx_, chkcsv_}) {
        if (other != box)
          other->setChecked(false);
      }
    });
  }

  auto* button2 = new QPushButton(QString::fromUtf8("确 定"), this);
  button2->setObjectName("Button2");
  button2->setDefault(true);
  auto* button1 = new QPushButton(QString::fromUtf8("取 消"), this);
  button1->setObjectName("Button1");
  connect(button2, &QPushButton::clicked, this, [this] { qClick(); });
  connect(button1, &QPushButton::clicked, this, [this] { Button1Click(); });

  auto* quick = new QHBoxLayout;
  quick->setSpacing(8);
  for (QLabel* label : {label2, label4, label3, label5, label6})
    quick->addWidget(label);
  quick->addStretch();

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(10);
  grid->addWidget(chkcompany_, 0, 0);
  grid->addWidget(chkmob_, 0, 1);
  grid->addWidget(chktel_, 0, 2);
  grid->addWidget(chkemail_, 1, 0);
  grid->addWidget(chkurl_, 1, 1);
  grid->addWidget(chkwechat_, 1, 2);

  auto* scope = new QHBoxLayout;
  scope->setSpacing(10);
  scope->addWidget(rball_);
  scope->addWidget(rbfiltered_);
  scope->addWidget(chknoshared_);
  scope->addStretch();

  auto* formats = new QGridLayout;
  formats->setHorizontalSpacing(6);
  formats->setVerticalSpacing(8);
  formats->addWidget(chktxt_, 0, 0);
  formats->addWidget(chkexecl_, 0, 1);
  formats->addWidget(chkcsv_, 1, 0);
  formats->addWidget(chkxlsx_, 1, 1);
  formats->setColumnStretch(2, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(button2);
  buttons->addSpacing(12);
  buttons->addWidget(button1);
  buttons->addStretch();

  auto* rows = new QVBoxLayout(this);
  rows->setContentsMargins(16, 14, 16, 16);
  rows->setSpacing(12);
  rows->addWidget(label1);
  rows->addLayout(quick);
  rows->addLayout(grid);
  rows->addLayout(scope);
  rows->addWidget(lblcount_);
  rows->addLayout(formats);
  rows->addStretch();
  rows->addLayout(buttons);

  // The four formats need more room than the two the dialog began with.
  const QSize hint = sizeHint();
  setFixedSize(std::max(hint.width(), 250), std::max(hint.height(), 248));

  ShowCount();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
}

QLabel* Tfmselfiled::MakeLink(const char* name, const char* caption) {
  auto* link = new QLabel(QString::fromUtf8("<a href=\"#\" style=\"color:#0000ff;\">") +
                              QString::fromUtf8(caption) + "</a>",
                          this);
  link->setObjectName(name);
  link->setTextFormat(Qt::RichText);
  link->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  link->setCursor(Qt::PointingHandCursor);
  return link;
}

QCheckBox* Tfmselfiled::MakeBox(const char* name, const char* caption, bool checked, bool bold) {
  auto* box = new QCheckBox(QString::fromUtf8(caption), this);
  box->setObjectName(name);
  box->setChecked(checked);
  if (bold) {
    QFont font = box->font();
    font.setBold(true);
    box->setFont(font);
  }
  return box;
}

QCheckBox* Tfmselfiled::FormatBox(TExportFormat format) const {
  switch (format) {
    case TExportFormat::Text:
      return chktxt_;
    case TExportFormat::Excel:
      return chkexecl_;
    case TExportFormat::Xlsx:
      return chkxlsx_;
    case TExportFormat::Csv:
      return chkcsv_;
  }
  return chkexecl_;
}

TExportFormat Tfmselfiled::Format() const {
  for (TExportFormat format :
       {TExportFormat::Text, TExportFormat::Excel, TExportFormat::Xlsx, TExportFormat::Csv}) {
    if (FormatBox(format)->isChecked())
      return format;
  }
  return sheetFormat_;
}

void Tfmselfiled::SetScope(bool filterOn, TCount count) {
  count_ = std::move(count);
  rbfiltered_->setEnabled(filterOn);
  (filterOn ? rbfiltered_ : rball_)->setChecked(true);
  ShowCount();
}

bool Tfmselfiled::Filtered() const {
  return rbfiltered_->isChecked();
}

bool Tfmselfiled::NoShared() const {
  return chknoshared_->isChecked();
}

void Tfmselfiled::ShowCount() {
  if (!count_) {
    lblcount_->clear();
    lblcount_->hide();
    return;
  }
  lblcount_->setText(QString::fromUtf8("将导出 %1 家公司").arg(count_(Filtered(), NoShared())));
  lblcount_->show();
}

void Tfmselfiled::CheckOnly(QCheckBox* box) {
  for (QCheckBox* field : {chkcompany_, chkmob_, chktel_, chkemail_, chkurl_, chkaddr_, chkwechat_})
    field->setChecked(field == box);
  chktxt_->setChecked(true);
}

void Tfmselfiled::Label4Click() {
  CheckOnly(chkmob_);
}
void Tfmselfiled::Label3Click() {
  CheckOnly(chktel_);
}
void Tfmselfiled::Label5Click() {
  CheckOnly(chkemail_);
}
void Tfmselfiled::Label6Click() {
  for (QCheckBox* field : {chkcompany_, chkmob_, chktel_, chkemail_, chkurl_, chkaddr_, chkwechat_})
    field->setChecked(true);
  chktxt_->setChecked(false);
  FormatBox(sheetFormat_)->setChecked(true);
}

void Tfmselfiled::qClick() {
  chkaddr_->setChecked(false);
  TExportFields fields;
  fields.company = chkcompany_->isChecked();
  fields.mobile = chkmob_->isChecked();
  fields.qq = chktel_->isChecked();
  fields.email = chkemail_->isChecked();
  fields.address = chkaddr_->isChecked();
  fields.webUrl = chkurl_->isChecked();
  fields.wechat = chkwechat_->isChecked();
  const TExportFormat format = Format();
  if (auto save = OnSave) {
    try {
      save(keyword_, fields, format);
    } catch (...) {
      // The save step reports its own failures; nothing may escape into the event loop.
    }
  }
  close();
}

void Tfmselfiled::Button1Click() {
  close();
}

Tfmselfiled* OpenExportDialog(TKeyListInfo& store, const std::string& keyword, QWidget* owner,
                              const TResultFilter& filter) {
  const TCompanyList* companies = store.CompanyListOf(keyword);
  auto* dialog = new Tfmselfiled(keyword, owner, companies ? companies->size() : 0);
  TKeyListInfo* target = &store;
  dialog->SetScope(filter.Active(), [target, keyword, filter](bool filtered, bool noShared) {
    const TCompanyList* list = target->CompanyListOf(keyword);
    if (!list) {
      return std::size_t{0};
    }
    // A company whose every number is shared is not written without them.
    TResultFilter chosen = filtered ? filter : TResultFilter();
    chosen.noShared = chosen.noShared || noShared;
    return CountMatches(*list, chosen, target->SharedNumbers());
  });
  dialog->OnSave = [target, dialog, filter](const std::string& word, const TExportFields& fields,
                                            TExportFormat format) {
    SaveExport(*target, word, fields, format, dialog->Filtered() ? filter : TResultFilter(),
               dialog->NoShared());
  };
  dialog->show();
  return dialog;
}

}  // namespace vlmr
