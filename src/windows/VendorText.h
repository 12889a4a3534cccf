// The vendor windows' text edge: the core holds GBK, Qt holds UTF-16.
#pragma once

#include <QString>
#include <string>

#include "base/Text.h"

namespace vlmr::vendorui {

inline QString FromGbk(const std::string& gbk) {
  return QString::fromStdString(GbkToUtf8(gbk));
}

inline std::string ToGbk(const QString& text) {
  return Utf8ToGbk(text.toStdString());
}

}  // namespace vlmr::vendorui
