// Small makers the window's regions share: UTF-8 literals to QString, named buttons and
// labels.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QString>

namespace vlmr {

inline QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

inline QPushButton* MakeButton(const char* name, const char* textUtf8, QWidget* parent) {
  auto* b = new QPushButton(U(textUtf8), parent);
  b->setObjectName(name);
  b->setCursor(Qt::PointingHandCursor);
  return b;
}

inline QLabel* MakeLabel(const char* name, const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  return l;
}

}  // namespace vlmr
