// The update window Tfmupwin ("程序正在升级..."): a 424 x 83 client area with the label and
// the progress bar pro1 (0 to 100), no title-bar buttons, on top of other windows, centred on
// the screen, owned by the main window. While the update runs it refuses every request to
// close it; once the update has failed (ShowFailure) it says why and can be closed.
#pragma once

#include <QWidget>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vlmr {

class Tfmupwin : public QWidget {
  Q_OBJECT

 public:
  explicit Tfmupwin(QWidget* owner);

  QLabel* Label1 = nullptr;
  QProgressBar* pro1 = nullptr;
  QPushButton* btnClose = nullptr;  // shown once the update has failed

  // The update failed: "升级失败：<reason>" (GBK), the progress bar gives way to a close
  // button, and the window can be closed.
  void ShowFailure(const std::string& reason);
  bool Failed() const { return failed_; }

  static constexpr int kWidth = 424;
  static constexpr int kHeight = 83;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  bool failed_ = false;
};

}  // namespace vlmr
