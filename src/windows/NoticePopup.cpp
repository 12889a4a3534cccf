#include "windows/NoticePopup.h"

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>

#include "base/Text.h"
#include "net/GetHttp.h"
#include "platform/Shell.h"
#include "windows/OneWindow.h"

namespace vlmr {
namespace {

// A page in UTF-8 when it is valid UTF-8, GBK otherwise (the vendor's pages are one or the
// other).
QString PageText(const std::string& body) {
  if (IsValidUtf8(body))
    return QString::fromStdString(body);
  return QString::fromStdString(GbkToUtf8(body));
}

}  // namespace

TNoticeView::TNoticeView(QWidget* parent) : QTextBrowser(parent) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setContextMenuPolicy(Qt::NoContextMenu);
}

QVariant TNoticeView::loadResource(int type, const QUrl& name) {
  if (type != QTextDocument::ImageResource)
    return QVariant();
  QUrl url = base_.resolved(name);
  auto found = pictures_.constFind(url);
  if (found != pictures_.constEnd())
    return *found;
  if ((url.scheme() == "http" || url.scheme() == "https") && !wanted_.contains(url)) {
    wanted_.insert(url);
    emit PictureWanted(url);
  }
  return QVariant();
}

void TNoticeView::AddPicture(const QUrl& url, const QByteArray& bytes) {
  wanted_.remove(url);
  QImage image;
  if (!image.loadFromData(bytes))
    return;
  pictures_.insert(url, image);
  // Lay the page out again: the picture is now at hand.
  const QString html = toHtml();
  setHtml(html);
}

Tfmwinpop* Tfmwinpop::Instance() {
  return OneWindowOf<Tfmwinpop>().Current();
}

Tfmwinpop::Tfmwinpop()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName("fmwinpop");
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFixedSize(kWidth, kHeight);
  setStyleSheet(
      "#fmwinpop { background: white; border: 1px solid #9cc7ef; }"
      "#logintop { background: #2f8fe0; }"
      "#lbltitle { color: white; font-weight: bold; font-size: 14pt; }"
      "#Label1BitmapButton1 { color: white; background: transparent; border: none;"
      " font-size: 14pt; }");
  setAttribute(Qt::WA_StyledBackground, true);

  logintop = new QWidget(this);
  logintop->setObjectName("logintop");
  logintop->setAttribute(Qt::WA_StyledBackground, true);
  logintop->setGeometry(0, 0, kWidth, kTitleHeight);
  lbltitle = new QLabel(QString::fromUtf8("温馨提示"), logintop);
  lbltitle->setObjectName("lbltitle");
  lbltitle->setGeometry(12, 0, 200, kTitleHeight);
  Label1BitmapButton1 = new QPushButton(QString::fromUtf8("×"), logintop);
  Label1BitmapButton1->setObjectName("Label1BitmapButton1");
  Label1BitmapButton1->setGeometry(368, 6, 24, 24);
  Label1BitmapButton1->setCursor(Qt::PointingHandCursor);
  Label1BitmapButton1->setFocusPolicy(Qt::NoFocus);
  connect(Label1BitmapButton1, &QPushButton::clicked, this, &QWidget::close);

  wb1 = new TNoticeView(this);
  wb1->setObjectName("wb1");
  wb1->setGeometry(1, kTitleHeight + 1, kWidth - 2, kHeight - kTitleHeight - 1);
  connect(wb1, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { wb1NewWindow3(url); });
  connect(wb1, &TNoticeView::PictureWanted, this, [this](const QUrl& url) { FetchPicture(url); });

  move(kOffScreenLeft, 0);
  OneWindowOf<Tfmwinpop>().Remember(this);
}

Tfmwinpop::~Tfmwinpop() {
  StopFetches();
  OneWindowOf<Tfmwinpop>().Forget(this);
}

void Tfmwinpop::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  // Once hidden, the next show is again one without activation.
  setAttribute(Qt::WA_ShowWithoutActivating, true);
}

namespace {

// A notice page and its pictures are small: their fetches stop at 4 MiB.
TGetHttp* LaunchPageFetch(std::string url, TGetHttp::TOnLoaded onLoaded) {
  auto* fetch = new TGetHttp(std::move(url), std::move(onLoaded));
  fetch->HttpClient().Settings().maxBodyBytes = 4u * 1024 * 1024;
  fetch->Start();
  return fetch;
}

}  // namespace

void Tfmwinpop::StopFetches() {
  for (TGetHttp* f : fetches_)
    f->Terminate();
  fetches_.clear();
}

void Tfmwinpop::Navigate(const std::string& address) {
  QPointer<Tfmwinpop> guard(this);
  if (!IsWebAddress(address)) {
    // A bare relative address cannot be loaded: the navigation error, once the show is done.
    QMetaObject::invokeMethod(
        this,
        [guard] {
          if (guard)
            guard->wb1NavigateError();
        },
        Qt::QueuedConnection);
    return;
  }
  TGetHttp* fetch = nullptr;
  fetch = LaunchPageFetch(address, [guard](TGetHttp& f) {
    if (!guard)
      return;
    guard->fetches_.remove(&f);
    if (f.Ok())
      guard->wb1DocumentComplete(f.Body(), f.FinalUrl());
    else
      guard->wb1NavigateError();
  });
  fetches_.insert(fetch);
}

void Tfmwinpop::FetchPicture(const QUrl& url) {
  QPointer<Tfmwinpop> guard(this);
  TGetHttp* fetch = LaunchPageFetch(url.toString().toStdString(), [guard, url](TGetHttp& f) {
    if (!guard)
      return;
    guard->fetches_.remove(&f);
    if (f.Ok())
      guard->wb1->AddPicture(url, QByteArray::fromStdString(f.Body()));
  });
  fetches_.insert(fetch);
}

void Tfmwinpop::wb1DocumentComplete(const std::string& body, const std::string& finalUrl) {
  wb1->SetBase(QUrl(QString::fromStdString(finalUrl)));
  wb1->setHtml(PageText(body));
  if (placed_)
    return;
  placed_ = true;
  QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!s)
    return;
  // The available area ends where the panel begins.
  QRect area = s->availableGeometry();
  move(area.x() + area.width() - width(), area.y() + area.height() - height());
}

void Tfmwinpop::wb1NavigateError() {
  hide();
  StopFetches();
  close();
}

void Tfmwinpop::wb1NewWindow3(const QUrl& url) {
  QUrl target = wb1->Base().resolved(url);
  ShellOpen(target.toString().toStdString());
}

Tfmwinpop* ShowNoticePopup(const std::string& address) {
  if (Tfmwinpop* old = Tfmwinpop::Instance())
    old->close();
  auto* popup = new Tfmwinpop;
  popup->show();
  popup->Navigate(address);
  return popup;
}

}  // namespace vlmr
