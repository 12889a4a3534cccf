#include "store/CompanyList.h"

#include <algorithm>

namespace vlmr {

void TCompanyList::Reserve(std::size_t count) {
  items_.reserve(count);
  index_.reserve(count);
}

TComPanyInfo* TCompanyList::Find(const std::string& listId) const {
  auto found = index_.find(listId);
  return found == index_.end() ? nullptr : found->second;
}

bool TCompanyList::Add(TEntry company) {
  if (!company || !index_.emplace(company->listId, company.get()).second) {
    return false;
  }
  items_.push_back(std::move(company));
  return true;
}

bool TCompanyList::Remove(const std::string& listId) {
  auto found = index_.find(listId);
  if (found == index_.end()) {
    return false;
  }
  TComPanyInfo* company = found->second;
  index_.erase(found);  // before the entry goes: the key views its listId
  std::erase_if(items_, [company](const TEntry& entry) { return entry.get() == company; });
  return true;
}

void TCompanyList::Clear() {
  index_.clear();
  items_.clear();
}

void TCompanyList::MergeLoaded(TCompanyList loaded, const std::unordered_set<std::string>& skip) {
  if (!skip.empty()) {
    std::erase_if(loaded.items_, [&](const TEntry& entry) {
      if (!skip.count(entry->listId)) {
        return false;
      }
      loaded.index_.erase(entry->listId);
      return true;
    });
  }
  for (auto& entry : items_) {
    if (!entry) {
      continue;
    }
    auto found = loaded.index_.find(entry->listId);
    if (found == loaded.index_.end()) {
      loaded.Add(std::move(entry));
      continue;
    }
    // The loaded copy gives way to this object, in its place. Entries saved while the load
    // ran have the largest ids: their copies are at the end.
    TComPanyInfo* copy = found->second;
    loaded.index_.erase(found);
    auto place = std::find_if(loaded.items_.rbegin(), loaded.items_.rend(),
                              [copy](const TEntry& e) { return e.get() == copy; });
    *place = std::move(entry);
    loaded.index_.emplace((*place)->listId, place->get());
  }
  *this = std::move(loaded);
}

}  // namespace vlmr
