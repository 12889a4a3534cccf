#include "windows/DescriptionWindow.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include "base/Text.h"
#include "net/GetHttp.h"
#include "net/HttpFetch.h"
#include "windows/GuiText.h"
#include "windows/OneWindow.h"

namespace vlmr {
Tfmdes* Tfmdes::Instance() {
  return OneWindowOf<Tfmdes>().Current();
}

Tfmdes::Tfmdes(QWidget* centreOn) : QDialog(nullptr) {
  setObjectName("fmdes");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
  setWindowTitle(QString::fromUtf8("软件介绍"));
  setFixedSize(482, 258);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setGeometry(5, 5, 471, 198);
  Memo1->setReadOnly(true);
  Memo1->setFrameShape(QFrame::NoFrame);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QPalette p = Memo1->palette();
  p.setColor(QPalette::Base, p.color(QPalette::Button));
  Memo1->setPalette(p);
  Memo1->setPlainText(QString::fromUtf8("正在加载数据，请稍后..."));
  Button1 = new QPushButton(QString::fromUtf8("关  闭"), this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(398, 216, 75, 30);
  Button1->setDefault(true);  // Enter; Esc rejects the dialog, which closes it
  connect(Button1, &QPushButton::clicked, this, &QDialog::close);
  connect(this, &QDialog::rejected, this, &QDialog::close);
  if (centreOn)
    move(centreOn->geometry().center() - QPoint(width() / 2, height() / 2));
  OneWindowOf<Tfmdes>().Remember(this);
}

Tfmdes::~Tfmdes() {
  OneWindowOf<Tfmdes>().Forget(this);
}

void Tfmdes::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Button1->setFocus();
}

void Tfmdes::FillFromText(const std::string& text) {
  // A failed fetch or an empty text: said plainly instead of an empty grey box.
  Memo1->setPlainText(Trim(text).empty() ? QString::fromUtf8(kDescriptionFailureText)
                                         : FromGbk(text));
  Button1->setFocus();
  const bool scroll = SplitLines(text).size() > static_cast<std::size_t>(kLinesWithoutScrollBar);
  Memo1->setVerticalScrollBarPolicy(scroll ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void Tfmdes::DescriptionLoaded(TGetHttp& fetch) {
  FillFromText(fetch.Result());
}

Tfmdes* ShowDescriptionWindow(const std::string& serviceBaseUrl, QWidget* centreOn) {
  Tfmdes* w = Tfmdes::Instance();
  if (!w)
    w = new Tfmdes(centreOn);
  QPointer<Tfmdes> guard(w);
  const std::string address = serviceBaseUrl + "http.aspx?action=des&t=8";
  if (IsWebAddress(address)) {
    TGetHttp::Launch(address, [guard](TGetHttp& f) {
      if (guard)
        guard->DescriptionLoaded(f);
    });
  } else {
    w->FillFromText({});  // a bare relative address cannot be fetched: a failed fetch
  }
  BringToFront(w);
  return w;
}

}  // namespace vlmr
