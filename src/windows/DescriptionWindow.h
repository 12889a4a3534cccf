// The product description window Tfmdes ("软件介绍"): fetches the vendor's description text
// into a read-only memo; more than 15 lines give the memo a vertical scroll bar. At most one
// is open; every request refills it. A failed fetch, or an empty text, shows
// kDescriptionFailureText. Enter and Esc close it.
#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;
class QPushButton;

namespace vlmr {

class TGetHttp;

inline constexpr const char* kDescriptionFailureText = "无法获取软件介绍，请稍后再试。";

class Tfmdes : public QDialog {
  Q_OBJECT

 public:
  static Tfmdes* Instance();

  QPlainTextEdit* Memo1 = nullptr;
  QPushButton* Button1 = nullptr;

  // Sets the memo from a text (GBK), as DescriptionLoaded does.
  void FillFromText(const std::string& text);

  static constexpr int kLinesWithoutScrollBar = 15;

 protected:
  explicit Tfmdes(QWidget* centreOn);
  ~Tfmdes() override;
  void showEvent(QShowEvent* event) override;

 private:
  friend Tfmdes* ShowDescriptionWindow(const std::string&, QWidget*);
  void DescriptionLoaded(TGetHttp& fetch);
};

// Opens (or refills) the description window on serviceBaseUrl + "http.aspx?action=des&t=8",
// centred on `centreOn`, and brings it to the front.
Tfmdes* ShowDescriptionWindow(const std::string& serviceBaseUrl, QWidget* centreOn);

}  // namespace vlmr
