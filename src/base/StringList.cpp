#include "base/StringList.h"

#include <algorithm>
#include <cstdint>

#include "base/Text.h"

namespace vlmr {

std::size_t TUniqueStringList::TFoldedHash::operator()(std::string_view text) const {
  // FNV-1a over the bytes, with the letters of single-byte characters lowered: texts equal
  // without regard to case hash alike.
  std::uint64_t hash = 14695981039346656037ull;
  auto mix = [&hash](char c) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  };
  for (std::size_t i = 0; i < text.size();) {
    if (GbkCharLength(text, i) == 2) {
      mix(text[i]);
      mix(text[i + 1]);
      i += 2;
    } else {
      char c = text[i++];
      mix(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
  }
  return static_cast<std::size_t>(hash);
}

bool TUniqueStringList::TFoldedEqual::operator()(std::string_view a, std::string_view b) const {
  return SameText(a, b);
}

TUniqueStringList::TUniqueStringList(const TUniqueStringList& other)
    : items_(other.items_),
      folded_(other.folded_ ? std::make_unique<TFoldedSet>(*other.folded_) : nullptr) {}

TUniqueStringList& TUniqueStringList::operator=(const TUniqueStringList& other) {
  if (this != &other) {
    TUniqueStringList copy(other);
    *this = std::move(copy);
  }
  return *this;
}

bool TUniqueStringList::Add(std::string_view text) {
  if (Contains(text)) {
    return false;
  }
  if (folded_) {
    folded_->emplace(text);
  } else if (items_.size() + 1 >= kHashedFrom) {
    folded_ = std::make_unique<TFoldedSet>(items_.begin(), items_.end());
    folded_->emplace(text);
  }
  items_.emplace_back(text);
  return true;
}

bool TUniqueStringList::Contains(std::string_view text) const {
  if (folded_) {
    return folded_->find(text) != folded_->end();
  }
  return std::any_of(items_.begin(), items_.end(),
                     [text](const std::string& item) { return SameText(item, text); });
}

void TUniqueStringList::Clear() {
  items_.clear();
  folded_.reset();
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
