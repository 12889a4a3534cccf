// The contact window Tfmabout ("联系我们"): fetches the vendor's contact reply and shows the
// company, the contact person, the telephone and the QQ number with its chat link. At most
// one is open; every request refills it. Until the reply it shows "正在加载信息，请稍后...";
// a failed fetch, or a reply of 4 items or fewer, turns that into kContactFailureText (a
// window already filled keeps what it shows).
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QFrame;
class QPushButton;

namespace vlmr {

class TGetHttp;

inline constexpr const char* kContactFailureText = "无法获取联系信息，请稍后再试。";

class Tfmabout : public QDialog {
  Q_OBJECT

 public:
  // The open window, or none.
  static Tfmabout* Instance();

  QFrame* Panel1 = nullptr;
  QLabel* lblcom = nullptr;
  QLabel* lblname = nullptr;
  QLabel* lblmob = nullptr;
  QLabel* lblqq = nullptr;
  QPushButton* Button1 = nullptr;

  // Fills the labels from a reply (GBK), as ContactLoaded does.
  void FillFromReply(const std::string& reply);
  void lblqqClick();

 protected:
  explicit Tfmabout(QWidget* centreOn);
  ~Tfmabout() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend Tfmabout* ShowContactWindow(const std::string&, const std::string&, QWidget*);
  void ContactLoaded(TGetHttp& fetch);
};

// Opens (or refills) the contact window on serviceBaseUrl + "http.aspx?action=contact&user=" +
// the identifier ("adm" when empty), centred on `centreOn`, and brings it to the front.
Tfmabout* ShowContactWindow(const std::string& serviceBaseUrl, const std::string& contactId,
                            QWidget* centreOn);

}  // namespace vlmr
