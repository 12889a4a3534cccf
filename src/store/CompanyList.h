// A keyword's companies in order of loading or saving, keyed by listId.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/records/KeyUnit.h"

namespace vlmr {

// Entries are shared so that a view may keep the records it shows alive after they leave the
// list. An entry's listId must not change while it is in the list (the index refers to it).
// A filter walks every entry through begin()/end() (or size() and operator[]) in row order.
class TCompanyList {
 public:
  using TEntry = std::shared_ptr<TComPanyInfo>;

  TCompanyList() = default;
  TCompanyList(TCompanyList&&) noexcept = default;
  TCompanyList& operator=(TCompanyList&&) noexcept = default;
  TCompanyList(const TCompanyList&) = delete;
  TCompanyList& operator=(const TCompanyList&) = delete;

  std::size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  const TEntry& operator[](std::size_t i) const { return items_[i]; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  void Reserve(std::size_t count);
  TComPanyInfo* Find(const std::string& listId) const;
  // Appends under the record's listId; false (and nothing added) when the key is taken.
  bool Add(TEntry company);
  // Removes and releases the entry; false when there is none.
  bool Remove(const std::string& listId);
  void Clear();

  // Puts `loaded` first, in its order, leaving out the keys in `skip`; an entry already in the
  // list keeps its object (the loaded copy is dropped). Entries not loaded follow, in order.
  // Costs a walk of `loaded` only when `skip` is not empty; otherwise the work follows the
  // entries already in the list (the few saved while the load ran).
  void MergeLoaded(TCompanyList loaded, const std::unordered_set<std::string>& skip);

 private:
  std::vector<TEntry> items_;
  std::unordered_map<std::string_view, TComPanyInfo*> index_;  // keys view each entry's listId
};

}  // namespace vlmr
