#include "store/ResultFilter.h"

#include <algorithm>

#include "base/Text.h"
#include "engine/records/NumberDigits.h"

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
  if ((filter.hasLandline && company.tels.empty()) || (filter.hasEmail && company.emails.empty()) ||
      (filter.hasWeChat && company.wechats.empty())) {
    return false;
  }
  if (!filter.name.empty() && !NameHolds(company.RawComName(), filter.name)) {
    return false;
  }
  return !filter.noShared || !AllNumbersShared(company, shared);
}

std::shared_ptr<TComPanyInfo> WithoutSharedNumbers(const std::shared_ptr<TComPanyInfo>& company,
                                                   const TSharedNumbers& shared) {
  if (!HoldsSharedNumber(*company, shared)) {
    return company;
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
  return copy->tels.empty() && copy->mobiles.empty() ? nullptr : copy;
}

bool ResolveRegion(const std::vector<TProvinceCount>& regions, const std::string& text,
                   TResultFilter& filter) {
  static const std::string province = Utf8ToGbk("省");
  static const std::string city = Utf8ToGbk("市");
  auto names = [&](const std::string& name) {
    return name == text || name == text + province || name == text + city;
  };
  if (text.empty()) {
    return false;
  }
  for (const auto& entry : regions) {
    if (names(entry.province)) {
      filter.province = entry.province;
      filter.city.clear();
      return true;
    }
  }
  for (const auto& entry : regions) {
    for (const auto& c : entry.cities) {
      if (names(c.name)) {
        filter.province = entry.province;
        filter.city = c.name;
        return true;
      }
    }
  }
  return false;
}

void TRegionTally::Add(const TRegion& region) {
  if (region.province.empty()) {
    return;
  }
  TProvince& province = provinces_[region.province];
  ++province.count;
  if (!region.city.empty()) {
    ++province.cities[region.city];
  }
}

std::vector<TProvinceCount> TRegionTally::Counts() const {
  std::vector<TProvinceCount> provinces;
  for (const auto& [name, tally] : provinces_) {
    TProvinceCount entry{name, tally.count, {}};
    for (const auto& [city, count] : tally.cities) {
      entry.cities.push_back({city, count});
    }
    std::sort(entry.cities.begin(), entry.cities.end(), [](const auto& a, const auto& b) {
      return a.count != b.count ? a.count > b.count : a.name < b.name;
    });
    provinces.push_back(std::move(entry));
  }
  std::sort(provinces.begin(), provinces.end(), [](const auto& a, const auto& b) {
    return a.count != b.count ? a.count > b.count : a.province < b.province;
  });
  return provinces;
}

}  // namespace vlmr
