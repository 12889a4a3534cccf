#include "windows/ContactWindow.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include "base/Text.h"
#include "net/ContactReply.h"
#include "net/GetHttp.h"
#include "net/VendorSettings.h"
#include "platform/Shell.h"
#include "windows/GuiText.h"
#include "windows/OneWindow.h"

namespace vlmr {
namespace {

QLabel* NewLabel(const char* name, const char* text, int y, QWidget* parent) {
  auto* l = new QLabel(QString::fromUtf8(text), parent);
  l->setObjectName(name);
  l->setGeometry(24, y, 313, 20);
  return l;
}

}  // namespace

Tfmabout* Tfmabout::Instance() {
  return OneWindowOf<Tfmabout>().Current();
}

Tfmabout::Tfmabout(QWidget* centreOn) : QDialog(nullptr) {
  setObjectName("fmabout");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
  setWindowTitle(QString::fromUtf8("联系我们"));
  setFixedSize(361, 190);
  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFrameShape(QFrame::StyledPanel);
  Panel1->setGeometry(8, 8, 345, 129);
  lblcom = NewLabel("lblcom", "公司名：", 20, Panel1);
  lblname = NewLabel("lblname", "正在加载信息，请稍后...", 46, Panel1);
  lblmob = NewLabel("lblmob", "联系电话：", 72, Panel1);
  lblqq = NewLabel("lblqq", "QQ:", 98, Panel1);
  lblqq->setStyleSheet("color: blue;");
  lblqq->setCursor(Qt::PointingHandCursor);
  lblqq->installEventFilter(this);
  lblcom->hide();
  lblmob->hide();
  lblqq->hide();
  Button1 = new QPushButton(QString::fromUtf8("关  闭"), this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(278, 143, 75, 34);
  connect(Button1, &QPushButton::clicked, this, &QDialog::close);
  if (centreOn)
    move(centreOn->geometry().center() - QPoint(width() / 2, height() / 2));
  OneWindowOf<Tfmabout>().Remember(this);
}

Tfmabout::~Tfmabout() {
  OneWindowOf<Tfmabout>().Forget(this);
}

bool Tfmabout::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lblqq && event->type() == QEvent::MouseButtonRelease) {
    lblqqClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void Tfmabout::lblqqClick() {
  ShellOpen(QqChatUrl(ToGbk(lblqq->toolTip())));
}

void Tfmabout::FillFromReply(const std::string& reply) {
  std::vector<std::string> items = SplitContactReply(reply);
  if (items.size() <= 4) {
    // A failed fetch or a short reply: said plainly instead of loading for ever.
    if (!lblmob->isVisibleTo(this))
      lblname->setText(QString::fromUtf8(kContactFailureText));
    return;
  }
  if (!Trim(items[2]).empty()) {
    lblcom->setText(QString::fromUtf8("公司名：%1").arg(FromGbk(items[2])));
    lblcom->show();
  }
  lblname->setText(QString::fromUtf8("联系人：%1").arg(FromGbk(items[3])));
  lblmob->setText(QString::fromUtf8("联系电话：%1").arg(FromGbk(items[0])));
  lblname->show();
  lblmob->show();
  if (!Trim(items[1]).empty()) {
    lblqq->setText(QString::fromUtf8("QQ：%1 (点击交谈)").arg(FromGbk(items[1])));
    lblqq->setToolTip(FromGbk(items[1]));
    lblqq->show();
  }
}

void Tfmabout::ContactLoaded(TGetHttp& fetch) {
  FillFromReply(fetch.Result());
}

Tfmabout* ShowContactWindow(const std::string& serviceBaseUrl, const std::string& contactId,
                            QWidget* centreOn) {
  std::string id = contactId.empty() ? std::string("adm") : contactId;
  Tfmabout* w = Tfmabout::Instance();
  if (!w)
    w = new Tfmabout(centreOn);
  QPointer<Tfmabout> guard(w);
  const std::string address = serviceBaseUrl + "http.aspx?action=contact&user=" + id;
  if (IsWebAddress(address)) {
    TGetHttp::Launch(address, [guard](TGetHttp& f) {
      if (guard)
        guard->ContactLoaded(f);
    });
  } else {
    w->FillFromReply({});  // a bare relative address cannot be fetched: a failed fetch
  }
  BringToFront(w);
  return w;
}

}  // namespace vlmr
