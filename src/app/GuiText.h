// The GUI's text edge: the core holds GBK, Qt holds UTF-16.
#pragma once

#include <QString>
#include <string>

namespace vlmr {

QString FromGbk(const std::string& gbk);
std::string ToGbk(const QString& text);

}  // namespace vlmr
