// The notice popup Tfmwinpop: a borderless 402 x 255 tool window, on top, with a 36-pixel
// title bar ("温馨提示" and a close button) over the vendor's notice page. The page is shown in
// a rich-text view fed by the full HTTP client (its pictures fetched the same way; links open
// in the user's default browser). The popup waits off the screen, without taking the focus,
// until its page has loaded, then sits in the bottom-right corner of the screen's available
// area; a page that cannot be loaded (a failed fetch or an error status) closes it unseen.
#pragma once

#include <QHash>
#include <QSet>
#include <QTextBrowser>
#include <QUrl>
#include <QWidget>
#include <string>

class QLabel;
class QPushButton;

namespace vlmr {

class TGetHttp;

// The embedded view: pictures come from the popup's own fetches, never from the disk.
class TNoticeView : public QTextBrowser {
  Q_OBJECT

 public:
  explicit TNoticeView(QWidget* parent);
  QVariant loadResource(int type, const QUrl& name) override;

  void SetBase(const QUrl& base) { base_ = base; }
  const QUrl& Base() const { return base_; }
  // Pictures asked for and not yet fetched.
  QSet<QUrl> Wanted() const { return wanted_; }
  void AddPicture(const QUrl& url, const QByteArray& bytes);

 signals:
  void PictureWanted(const QUrl& url);

 private:
  QUrl base_;
  QHash<QUrl, QImage> pictures_;
  QSet<QUrl> wanted_;
};

class Tfmwinpop : public QWidget {
  Q_OBJECT

 public:
  static Tfmwinpop* Instance();

  QWidget* logintop = nullptr;
  QLabel* lbltitle = nullptr;
  QPushButton* Label1BitmapButton1 = nullptr;
  TNoticeView* wb1 = nullptr;

  static constexpr int kWidth = 402;
  static constexpr int kHeight = 255;
  static constexpr int kTitleHeight = 36;
  static constexpr int kOffScreenLeft = -1000;

  void Navigate(const std::string& address);
  bool Placed() const { return placed_; }

  // The page's events.
  void wb1DocumentComplete(const std::string& body, const std::string& finalUrl);
  void wb1NavigateError();
  void wb1NewWindow3(const QUrl& url);

 protected:
  Tfmwinpop();
  ~Tfmwinpop() override;
  void hideEvent(QHideEvent* event) override;

 private:
  friend Tfmwinpop* ShowNoticePopup(const std::string&);
  void FetchPicture(const QUrl& url);
  void StopFetches();

  bool placed_ = false;
  bool shownOnce_ = false;
  QSet<TGetHttp*> fetches_;  // running fetches, to stop them when the popup goes
};

// Closes an open popup, makes a new one, shows it off the screen without activating it and
// navigates it to `address`.
Tfmwinpop* ShowNoticePopup(const std::string& address);

}  // namespace vlmr
