// What every window shares: the text edge (the core holds GBK, Qt holds UTF-16), and bringing
// an open window back to the front when it is asked for again.
#pragma once

#include <QString>
#include <QWidget>
#include <string>

namespace vlmr {

QString FromGbk(const std::string& gbk);
std::string ToGbk(const QString& text);

// Shows the window, restored from the minimised state, raised and active.
void BringToFront(QWidget* window);

}  // namespace vlmr
