// Narrowing a keyword's companies to the ones worth calling: by region, source engine, the
// contacts they have and their name; and the regions present with their counts, for choosing.
// Shared with the grid, the export and vlmr-collect. Texts are GBK.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "engine/records/KeyUnit.h"

namespace vlmr {

struct TResultFilter {
  std::string province;  // empty: any
  std::string city;      // empty: any city of the province
  std::string source;    // a source label (SourceLabel); empty: any
  bool hasLandline = false;
  bool hasEmail = false;
  bool hasWeChat = false;
  // Leaves out a company whose every landline and mobile is shared (SharedNumbers).
  bool noShared = false;
  std::string name;  // a part of the name, Latin letters in any case; empty: any

  // True when any criterion is set.
  bool Active() const;
  bool operator==(const TResultFilter&) const = default;
};

// The digits of shared numbers (TKeyListInfo::SharedNumbers).
using TSharedNumbers = std::unordered_set<std::string>;

// True when every number of the company is shared (a company without numbers has none shared).
bool AllNumbersShared(const TComPanyInfo& company, const TSharedNumbers& shared);
// True when the company holds any shared number.
bool HoldsSharedNumber(const TComPanyInfo& company, const TSharedNumbers& shared);
// True when its mobiles (one at least) are all shared: the grid's picture for such a company.
bool AllMobilesShared(const TComPanyInfo& company, const TSharedNumbers& shared);

// A filter made ready for many companies: the name's lower case form found once.
class TResultMatcher {
 public:
  TResultMatcher(const TResultFilter& filter, const TSharedNumbers& shared);
  // True when the company meets every criterion.
  bool operator()(const TComPanyInfo& company) const;

 private:
  bool NameHolds(std::string_view name) const;

  const TResultFilter& filter_;
  const TSharedNumbers& shared_;
  std::string lowerName_;
  bool nameHasLetters_ = false;
};

// True when the company meets every criterion.
bool Matches(const TResultFilter& filter, const TComPanyInfo& company,
             const TSharedNumbers& shared);

// The companies that match, in order, out of `companies` (a range of shared pointers to records:
// a TCompanyList, a vector).
template <class TCompanies>
std::vector<std::shared_ptr<TComPanyInfo>> FilterCompanies(const TCompanies& companies,
                                                           const TResultFilter& filter,
                                                           const TSharedNumbers& shared) {
  std::vector<std::shared_ptr<TComPanyInfo>> rows;
  if (!filter.Active()) {
    rows.assign(companies.begin(), companies.end());
    return rows;
  }
  const TResultMatcher matches(filter, shared);
  for (const auto& company : companies) {
    if (matches(*company)) {
      rows.push_back(company);
    }
  }
  return rows;
}

template <class TCompanies>
std::size_t CountMatches(const TCompanies& companies, const TResultFilter& filter,
                         const TSharedNumbers& shared) {
  if (!filter.Active()) {
    return static_cast<std::size_t>(companies.size());
  }
  const TResultMatcher matches(filter, shared);
  std::size_t count = 0;
  for (const auto& company : companies) {
    count += matches(*company) ? 1 : 0;
  }
  return count;
}

// The copy an export writes with `noShared`: the company without its shared numbers; nothing
// when no landline and no mobile is left.
std::shared_ptr<TComPanyInfo> WithoutSharedNumbers(const std::shared_ptr<TComPanyInfo>& company,
                                                   const TSharedNumbers& shared);

// The companies an export writes: those that match; with `noShared` the shared numbers are left
// out of each (a copy), and a company left without a landline and a mobile is not written.
template <class TCompanies>
std::vector<std::shared_ptr<TComPanyInfo>> ExportSelection(const TCompanies& companies,
                                                           const TResultFilter& filter,
                                                           bool noShared,
                                                           const TSharedNumbers& shared) {
  std::vector<std::shared_ptr<TComPanyInfo>> rows;
  const TResultMatcher matches(filter, shared);
  for (const auto& company : companies) {
    if (!matches(*company)) {
      continue;
    }
    if (!noShared) {
      rows.push_back(company);
    } else if (auto own = WithoutSharedNumbers(company, shared)) {
      rows.push_back(std::move(own));
    }
  }
  return rows;
}

// A province with its companies, and each of its cities with theirs.
struct TRegionCount {
  std::string name;
  std::size_t count = 0;
};
struct TProvinceCount {
  std::string province;
  std::size_t count = 0;
  std::vector<TRegionCount> cities;  // most companies first; a company without a city in none
};

// Counts regions company by company.
class TRegionTally {
 public:
  void Add(const TRegion& region);
  // The provinces present, most companies first (equal counts by name); companies without a
  // region are not counted.
  std::vector<TProvinceCount> Counts() const;

 private:
  // A few dozen provinces and their cities: a short list searched in place is faster than a
  // hash of every row's text.
  struct TProvince {
    std::string name;
    std::size_t count = 0;
    std::vector<TRegionCount> cities;
  };
  std::vector<TProvince> provinces_;
};

// Sets the filter's region to the province or city of `regions` that `text` names: the name
// itself, or without its last "省" or "市" ("广东", "广州"); a province before a city. False (the
// filter unchanged) when none is named.
bool ResolveRegion(const std::vector<TProvinceCount>& regions, const std::string& text,
                   TResultFilter& filter);

template <class TCompanies>
std::vector<TProvinceCount> RegionCounts(const TCompanies& companies) {
  TRegionTally tally;
  for (const auto& company : companies) {
    tally.Add(company->region);
  }
  return tally.Counts();
}

}  // namespace vlmr
