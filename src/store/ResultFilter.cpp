#include "store/ResultFilter.h"

#include <algorithm>
#include <unordered_map>

#include "base/Text.h"
#include "engine/records/NumberDigits.h"
#include "store/KeyListInfo.h"

namespace vlmr {
namespace {

bool IsShared(const std::string& number, const TSharedNumbers& shared) {
  // Mobiles are stored as their 11 digits: no copy to make.
  if (number.size() == 11 && number[0] == '1' &&
      std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return shared.count(number) > 0;
  }
  return shared.count(NumberDigits(number)) > 0;
}

bool NameHolds(const std::string& name, const std::string& part) {
  for (std::size_t at = FindNoCase(name, part); at != std::string::npos;
       at = FindNoCase(name, part, at + 1)) {
    if (!IsGbkTrailPosition(name, at)) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool TResultFilter::Active() const {
  return !province.empty() || !city.empty() || !source.empty() || hasLandline || hasEmail ||
         hasWeChat || noShared || !name.empty();
}

bool AllNumbersShared(const TComPanyInfo& company, const TSharedNumbers& shared) {
  if (shared.empty() || (company.tels.empty() && company.mobiles.empty())) {
    return false;
  }
  auto isShared = [&](const std::string& number) { return IsShared(number, shared); };
  return std::all_of(company.tels.begin(), company.tels.end(), isShared) &&
         std::all_of(company.mobiles.begin(), company.mobiles.end(), isShared);
}

bool HoldsSharedNumber(const TComPanyInfo& company, const TSharedNumbers& shared) {
  if (shared.empty()) {
    return false;
  }
  auto isShared = [&](const std::string& number) { return IsShared(number, shared); };
  return std::any_of(company.tels.begin(), company.tels.end(), isShared) ||
         std::any_of(company.mobiles.begin(), company.mobiles.end(), isShared);
}

bool AllMobilesShared(const TComPanyInfo& company, const TSharedNumbers& shared) {
  return !shared.empty() && !company.mobiles.empty() &&
         std::all_of(company.mobiles.begin(), company.mobiles.end(),
                     [&](const std::string& number) { return IsShared(number, shared); });
}

bool Matches(const TResultFilter& filter, const TComPanyInfo& company,
             const TSharedNumbers& shared) {
  if (!filter.province.empty() && company.region.province != filter.province) {
    return false;
  }
  if (!filter.city.empty() && company.region.city != filter.city) {
    return false;
  }
  if (!filter.source.empty() && Trim(company.source) != filter.source) {
    return false;
  }
  if ((filter.hasLandline && company.tels.empty()) ||
      (filter.hasEmail && company.emails.empty()) ||
      (filter.hasWeChat && company.wechats.empty())) {
    return false;
  }
  if (!filter.name.empty() && !NameHolds(company.RawComName(), filter.name)) {
    return false;
  }
  return !filter.noShared || !AllNumbersShared(company, shared);
}

std::vector<std::shared_ptr<TComPanyInfo>> FilterCompanies(const TCompanyList& companies,
                                                           const TResultFilter& filter,
                                                           const TSharedNumbers& shared) {
  std::vector<std::shared_ptr<TComPanyInfo>> rows;
  if (!filter.Active()) {
    rows.assign(companies.begin(), companies.end());
    return rows;
  }
  for (const auto& company : companies) {
    if (Matches(filter, *company, shared)) {
      rows.push_back(company);
    }
  }
  return rows;
}

std::size_t CountMatches(const TCompanyList& companies, const TResultFilter& filter,
                         const TSharedNumbers& shared) {
  if (!filter.Active()) {
    return companies.size();
  }
  return static_cast<std::size_t>(
      std::count_if(companies.begin(), companies.end(),
                    [&](const auto& company) { return Matches(filter, *company, shared); }));
}

std::vector<std::shared_ptr<TComPanyInfo>> ExportSelection(const TCompanyList& companies,
                                                           const TResultFilter& filter,
                                                           bool noShared,
                                                           const TSharedNumbers& shared) {
  std::vector<std::shared_ptr<TComPanyInfo>> rows;
  for (const auto& company : companies) {
    if (!Matches(filter, *company, shared)) {
      continue;
    }
    if (!noShared || !HoldsSharedNumber(*company, shared)) {
      rows.push_back(company);
      continue;
    }
    auto copy = std::make_shared<TComPanyInfo>(*company);
    copy->tels.Clear();
    copy->mobiles.Clear();
    for (const auto& number : company->tels) {
      if (!IsShared(number, shared)) {
        copy->AddTel(number);
      }
    }
    for (const auto& number : company->mobiles) {
      if (!IsShared(number, shared)) {
        copy->AddMobile(number);
      }
    }
    if (!copy->tels.empty() || !copy->mobiles.empty()) {
      rows.push_back(std::move(copy));
    }
  }
  return rows;
}

std::vector<TProvinceCount> RegionCounts(const TCompanyList& companies) {
  struct TTally {
    std::size_t count = 0;
    std::unordered_map<std::string, std::size_t> cities;
  };
  std::unordered_map<std::string, TTally> tallies;
  for (const auto& company : companies) {
    const TRegion& region = company->region;
    if (region.province.empty()) {
      continue;
    }
    TTally& tally = tallies[region.province];
    ++tally.count;
    if (!region.city.empty()) {
      ++tally.cities[region.city];
    }
  }
  auto byCount = [](const auto& a, const auto& b) {
    return a.count != b.count ? a.count > b.count : a.name < b.name;
  };
  std::vector<TProvinceCount> provinces;
  for (auto& [province, tally] : tallies) {
    TProvinceCount entry{province, tally.count, {}};
    for (auto& [city, count] : tally.cities) {
      entry.cities.push_back({city, count});
    }
    std::sort(entry.cities.begin(), entry.cities.end(), byCount);
    provinces.push_back(std::move(entry));
  }
  std::sort(provinces.begin(), provinces.end(), [](const auto& a, const auto& b) {
    return a.count != b.count ? a.count > b.count : a.province < b.province;
  });
  return provinces;
}

}  // namespace vlmr
