// Ordered list of texts that ignores an add equal to an entry without regard to letter case.
// A short list (the usual company's few numbers) finds an equal entry by comparing with each
// one and carries nothing else; from kHashedFrom entries on, a case-folded hash set is built
// beside the list, so a list of thousands of entries still adds in constant time.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace vlmr {

class TUniqueStringList {
 public:
  // The size from which the hash set is kept.
  static constexpr std::size_t kHashedFrom = 8;

  TUniqueStringList() = default;
  TUniqueStringList(const TUniqueStringList& other);
  TUniqueStringList& operator=(const TUniqueStringList& other);
  TUniqueStringList(TUniqueStringList&&) noexcept = default;
  TUniqueStringList& operator=(TUniqueStringList&&) noexcept = default;
  ~TUniqueStringList() = default;

  // Appends `text` unless an entry equal to it without regard to case is present.
  // Returns true when it was appended.
  bool Add(std::string_view text);
  bool Contains(std::string_view text) const;
  void Clear();

  std::size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  const std::string& operator[](std::size_t i) const { return items_[i]; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  const std::vector<std::string>& Items() const { return items_; }

  // Every entry followed by CR LF.
  std::string TextForm() const;

  bool operator==(const TUniqueStringList& other) const { return items_ == other.items_; }

 private:
  // Hash and equality of GBK texts with ASCII letters folded (SameText's reading).
  struct TFoldedHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const;
  };
  struct TFoldedEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  using TFoldedSet = std::unordered_set<std::string, TFoldedHash, TFoldedEqual>;

  std::vector<std::string> items_;
  std::unique_ptr<TFoldedSet> folded_;  // only from kHashedFrom entries on
};

}  // namespace vlmr
