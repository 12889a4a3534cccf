// A component of a window by its object name (the names the whole-program runs use too).
#pragma once

#include <gtest/gtest.h>

#include <QObject>
#include <QString>

namespace vlmr::test {

template <class T>
T* Child(const QObject& window, const char* name) {
  T* found = window.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

}  // namespace vlmr::test
