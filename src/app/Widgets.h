// Small makers the window's regions share: UTF-8 literals to QString, message boxes from
// UTF-8, named buttons and labels.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QString>
#include <string>

#include "base/MessageBox.h"
#include "base/Text.h"

namespace vlmr {

inline QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// A question or a notice in a message box (the boxes take GBK; these take UTF-8).
inline int Ask(const std::string& utf8) {
  return ShowMessageBox(Utf8ToGbk(utf8), MessageCaption(), MB_KIND_QUESTION);
}
inline void Tell(const std::string& utf8) {
  ShowMessageBox(Utf8ToGbk(utf8), MessageCaption(), MB_KIND_INFORMATION);
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
