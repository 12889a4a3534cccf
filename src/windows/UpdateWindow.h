// The update window Tfmupwin ("程序正在升级..."): a 424 x 83 client area with the label and
// the progress bar pro1 (0 to 100), no title-bar buttons, on top of other windows, centred on
// the screen, owned by the main window. It refuses every request to close it and goes only
// with its owner.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

namespace vlmr {

class Tfmupwin : public QWidget {
  Q_OBJECT

 public:
  explicit Tfmupwin(QWidget* owner);

  QLabel* Label1 = nullptr;
  QProgressBar* pro1 = nullptr;

  static constexpr int kWidth = 424;
  static constexpr int kHeight = 83;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
};

}  // namespace vlmr
