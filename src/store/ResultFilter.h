// Narrowing a keyword's companies to the ones worth calling: by region, source engine, the
// contacts they have and their name; and the regions present with their counts, for choosing.
// Shared with the grid, the export and vlmr-collect. Texts are GBK.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/records/KeyUnit.h"

namespace vlmr {

class TCompanyList;

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

// True when the company meets every criterion.
bool Matches(const TResultFilter& filter, const TComPanyInfo& company,
             const TSharedNumbers& shared);

// The companies that match, in order.
std::vector<std::shared_ptr<TComPanyInfo>> FilterCompanies(const TCompanyList& companies,
                                                           const TResultFilter& filter,
                                                           const TSharedNumbers& shared);
std::size_t CountMatches(const TCompanyList& companies, const TResultFilter& filter,
                         const TSharedNumbers& shared);

// The companies an export writes: those that match, copied; with `noShared` the shared numbers
// are left out of each copy, and a company left without a landline and a mobile is not written.
std::vector<std::shared_ptr<TComPanyInfo>> ExportSelection(const TCompanyList& companies,
                                                           const TResultFilter& filter,
                                                           bool noShared,
                                                           const TSharedNumbers& shared);

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

// The provinces present among the companies, most companies first (equal counts by name);
// companies without a region are not counted.
std::vector<TProvinceCount> RegionCounts(const TCompanyList& companies);

}  // namespace vlmr
