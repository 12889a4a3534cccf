#include "windows/GuiText.h"

#include "base/Text.h"

namespace vlmr {

QString FromGbk(const std::string& gbk) {
  return QString::fromStdString(GbkToUtf8(gbk));
}

std::string ToGbk(const QString& text) {
  return Utf8ToGbk(text.toStdString());
}

void BringToFront(QWidget* window) {
  window->show();
  window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->raise();
  window->activateWindow();
}

}  // namespace vlmr
