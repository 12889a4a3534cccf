#include "windows/Cominfo.h"

#include <QEvent>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QToolButton>
#include <algorithm>

#include "engine/NumberKind.h"
#include "engine/Region.h"
#include "engine/records/KeyUnit.h"
#include "engine/records/NumberDigits.h"
#include "platform/Shell.h"
#include "windows/GuiText.h"
#include "windows/OneWindow.h"

namespace vlmr {
namespace {

constexpr int kMargin = 10;
constexpr int kFirstBlockTop = 149;
constexpr int kMaxMemoHeight = 80;

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setGeometry(geometry);
  return label;
}

QPlainTextEdit* MakeMemo(QWidget* parent, const char* name) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setObjectName(name);
  memo->setReadOnly(true);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setFrameShape(QFrame::NoFrame);
  memo->document()->setDocumentMargin(1);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  memo->setStyleSheet(
      "QPlainTextEdit { background: transparent; }"
      "QScrollBar:vertical { width: 8px; } QScrollBar:horizontal { height: 8px; }");
  return memo;
}

// The fixed picture: a company building on a blue tile.
QPixmap CompanyPicture() {
  QPixmap picture(64, 64);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x2d, 0x8c, 0xf0));
  painter.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
  painter.setBrush(Qt::white);
  painter.drawRect(QRectF(18, 16, 28, 34));
  painter.setBrush(QColor(0x2d, 0x8c, 0xf0));
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 2; ++col) {
      painter.drawRect(QRectF(23 + col * 11, 21 + row * 9, 7, 5));
    }
  }
  painter.setBrush(Qt::white);
  painter.drawRect(QRectF(12, 50, 40, 3));
  return picture;
}

}  // namespace

Tfmcominfo::Tfmcominfo(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName("fmcominfo");
  setWindowTitle(QString::fromUtf8("公司详情"));
  setAttribute(Qt::WA_DeleteOnClose);
  // An opaque margin under the shadow: a translucent one shows black on a desktop without a
  // compositor.
  setAttribute(Qt::WA_StyledBackground);
  setStyleSheet("#fmcominfo { background: #e4e9f0; }");
  setFixedSize(kWidth, kHeight);

  panel_ = new QWidget(this);
  panel_->setObjectName("cominfoPanel");
  panel_->setGeometry(kMargin, kMargin, kWidth - 2 * kMargin, kHeight - 2 * kMargin);
  panel_->setAttribute(Qt::WA_StyledBackground);
  panel_->setStyleSheet("#cominfoPanel { background: white; border-radius: 4px; }");
  auto* shadow = new QGraphicsDropShadowEffect(panel_);
  shadow->setBlurRadius(kMargin * 2);
  shadow->setOffset(0, 0);
  shadow->setColor(QColor(0, 0, 0, 110));
  panel_->setGraphicsEffect(shadow);

  button1_ = new QToolButton(panel_);
  button1_->setObjectName("Button1");
  button1_->setGeometry(395, 5, 24, 24);
  button1_->setText(QString::fromUtf8("✕"));
  button1_->setAutoRaise(true);
  button1_->setCursor(Qt::PointingHandCursor);
  button1_->setStyleSheet(
      "QToolButton { border: none; color: #666; font-size: 14px; }"
      "QToolButton:hover { background: #e81123; color: white; }");
  connect(button1_, &QToolButton::clicked, this, [this] { Button1Click(); });

  auto* image1 = MakeLabel(panel_, "Image1", {}, QRect(13, 40, 64, 64));
  image1->setPixmap(CompanyPicture());

  txtwin_ = MakeLabel(panel_, "txtwin", {}, QRect(84, 50, 335, 24));
  QFont nameFont = txtwin_->font();
  nameFont.setBold(true);
  nameFont.setPixelSize(14);
  txtwin_->setFont(nameFont);
  txturl_ = MakeLabel(panel_, "txturl", {}, QRect(84, 80, 335, 20));
  txturl_->setStyleSheet("color: #0000ff;");
  txturl_->setCursor(Qt::PointingHandCursor);
  txturl_->installEventFilter(this);

  auto* text1 = MakeLabel(panel_, "Text1", QString::fromUtf8("联系方式："), QRect(3, 119, 100, 20));
  QFont headFont = text1->font();
  headFont.setBold(true);
  text1->setFont(headFont);
  text1->setStyleSheet("color: #008000;");

  txtregion_ = MakeLabel(panel_, "txtregion", {}, QRect(104, 119, 315, 20));
  txtregion_->setStyleSheet("color: #666;");

  txtmob_ = MakeLabel(panel_, "txtmob", QString::fromUtf8("手机："), QRect(28, 149, 56, 20));
  txtphone_ = MakeLabel(panel_, "txtphone", QString::fromUtf8("电话："), QRect(28, 149, 56, 20));
  txtwechat_ = MakeLabel(panel_, "txtwechat", QString::fromUtf8("微信："), QRect(28, 149, 56, 20));
  mmphone_ = MakeMemo(panel_, "mmphone");
  mmwechat_ = MakeMemo(panel_, "mmwechat");
  txttel_ = MakeLabel(panel_, "txttel", QString::fromUtf8("QQ："), QRect(28, 179, 56, 20));
  txtemail_ = MakeLabel(panel_, "txtemail", QString::fromUtf8("邮箱："), QRect(28, 209, 56, 20));
  mmmob_ = MakeMemo(panel_, "mmmob");
  mmtel_ = MakeMemo(panel_, "mmtel");
  mmemail_ = MakeMemo(panel_, "mmemail");
  txtaddr_ = MakeLabel(panel_, "txtaddr", QString::fromUtf8("地址："), QRect(28, 239, 56, 20));
  txtaddrc_ = MakeLabel(panel_, "txtaddrc", {}, QRect(84, 239, 319, 20));
  txtaddr_->hide();
  txtaddrc_->hide();
}

int Tfmcominfo::PlaceBlock(QLabel* label, QPlainTextEdit* memo, const TUniqueStringList& values,
                           THeightRule rule, int y, bool fitToWindow) {
  QStringList lines;
  for (const std::string& value : values) {
    lines << FromGbk(value);
  }
  return PlaceLines(label, memo, lines, rule, y, fitToWindow);
}

int Tfmcominfo::PlaceLines(QLabel* label, QPlainTextEdit* memo, const QStringList& lines,
                           THeightRule rule, int y, bool fitToWindow) {
  if (lines.empty()) {
    label->hide();
    memo->hide();
    return y;
  }
  memo->setPlainText(lines.join('\n'));
  const int count = static_cast<int>(lines.size());
  int height;
  if (count > 5) {
    height = kMaxMemoHeight;
  } else if (rule == THeightRule::PerLine20) {
    height = std::min(20 * count, kMaxMemoHeight);
  } else {
    height = std::min(count == 1 ? 20 : 18 * count, kMaxMemoHeight);
  }
  int top = y;
  if (fitToWindow && kHeight < top + height + 20) {
    height = kHeight - 20 - top;
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  } else {
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  }
  label->move(28, top);
  memo->setGeometry(84, top, 319, height);
  label->show();
  memo->show();
  return top + height + 10;
}

namespace {

QString SharedNote(const std::string& number, const std::unordered_set<std::string>* shared) {
  return shared && shared->count(NumberDigits(number)) ? QString::fromUtf8("  [共享号码]")
                                                       : QString();
}

}  // namespace

void Tfmcominfo::ShowCompany(const TComPanyInfo& company,
                             const std::unordered_set<std::string>* shared) {
  txtwin_->setText(FromGbk(company.GetComName()));
  txturl_->setText(FromGbk(company.webUrl));
  const TRegion& region = company.region;
  txtregion_->setText(
      region.empty() ? QString()
                     : QString::fromUtf8("地区：") + FromGbk(region.province) +
                           FromGbk(region.city == region.province ? std::string() : region.city) +
                           QString::fromUtf8("（来自%1）")
                               .arg(QString::fromUtf8(RegionSourceLabel(region.source))));
  // Mobiles, then the other numbers grouped by kind: landlines, 400, 800, others.
  QStringList mobiles;
  for (const std::string& number : company.mobiles) {
    mobiles << FromGbk(number) + SharedNote(number, shared);
  }
  QStringList phones;
  for (TNumberKind kind : {TNumberKind::Landline, TNumberKind::SharedCost, TNumberKind::TollFree,
                           TNumberKind::Mobile, TNumberKind::Other}) {
    for (const std::string& number : company.tels) {
      if (KindOfNumber(number) == kind) {
        phones << FromGbk(number) +
                      QString::fromUtf8("（%1）").arg(QString::fromUtf8(NumberKindLabel(kind))) +
                      SharedNote(number, shared);
      }
    }
  }
  int y = kFirstBlockTop;
  y = PlaceLines(txtmob_, mmmob_, mobiles, THeightRule::PerLine18OneLine20, y, false);
  y = PlaceLines(txtphone_, mmphone_, phones, THeightRule::PerLine18OneLine20, y, false);
  y = PlaceBlock(txttel_, mmtel_, company.qqs, THeightRule::PerLine20, y, false);
  y = PlaceBlock(txtwechat_, mmwechat_, company.wechats, THeightRule::PerLine20, y, false);
  PlaceBlock(txtemail_, mmemail_, company.emails, THeightRule::PerLine18OneLine20, y, true);
  txtaddr_->hide();
  txtaddrc_->hide();
}

void Tfmcominfo::Button1Click() {
  close();
}

void Tfmcominfo::txturlClick() {
  const std::string address = txturl_->text().trimmed().toStdString();
  if (!address.empty()) {
    ShellOpen(address);
  }
}

bool Tfmcominfo::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txturl_ && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    txturlClick();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

Tfmcominfo* ShowCompanyDetails(const TComPanyInfo& company, QWidget* owner,
                               const std::unordered_set<std::string>* shared) {
  Tfmcominfo* window = OneWindowOf<Tfmcominfo>().Current();
  if (!window) {
    window = new Tfmcominfo(owner);
    OneWindowOf<Tfmcominfo>().Remember(window);
    if (owner) {
      QRect frame = owner->frameGeometry();
      window->move(frame.center() - QPoint(Tfmcominfo::kWidth / 2, Tfmcominfo::kHeight / 2));
    }
  }
  window->ShowCompany(company, shared);
  BringToFront(window);
  return window;
}

Tfmcominfo* CurrentCompanyWindow() {
  return OneWindowOf<Tfmcominfo>().Current();
}

}  // namespace vlmr
