// The windows' text edge: the core holds GBK, Qt holds UTF-16.
#pragma once

#include <QString>
#include <string>

#include "base/Text.h"

namespace vlmr {

inline QString QtFromGbk(const std::string& gbk) {
  return QString::fromStdString(GbkToUtf8(gbk));
}

}  // namespace vlmr
