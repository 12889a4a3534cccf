#include "base/StringList.h"

#include "base/Text.h"

namespace vlmr {

bool TUniqueStringList::Add(std::string_view text) {
  if (Contains(text)) {
    return false;
  }
  items_.emplace_back(text);
  return true;
}

bool TUniqueStringList::Contains(std::string_view text) const {
  for (const auto& item : items_) {
    if (SameText(item, text)) {
      return true;
    }
  }
  return false;
}

std::string TUniqueStringList::TextForm() const {
  std::string out;
  for (const auto& item : items_) {
    out += item;
    out += "\r\n";
  }
  return out;
}

}  // namespace vlmr
