// Ordered list of texts that ignores an add equal to an entry without regard to letter case.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vlmr {

class TUniqueStringList {
 public:
  // Appends `text` unless an entry equal to it without regard to case is present.
  // Returns true when it was appended.
  bool Add(std::string_view text);
  bool Contains(std::string_view text) const;
  void Clear() { items_.clear(); }

  std::size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  const std::string& operator[](std::size_t i) const { return items_[i]; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  const std::vector<std::string>& Items() const { return items_; }

  // Every entry followed by CR LF.
  std::string TextForm() const;

  bool operator==(const TUniqueStringList&) const = default;

 private:
  std::vector<std::string> items_;
};

}  // namespace vlmr
