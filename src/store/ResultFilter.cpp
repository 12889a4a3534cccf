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

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view TrimmedView(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') {
    text.remove_prefix(1);
  }
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') {
    text.remove_suffix(1);
  }
  return text;
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

TResultMatcher::TResultMatcher(const TResultFilter& filter, const TSharedNumbers& shared)
    : filter_(filter), shared_(shared), lowerName_(filter.name) {
  for (char& c : lowerName_) {
    c = LowerAscii(c);
    nameHasLetters_ = nameHasLetters_ || (c >= 'a' && c <= 'z');
  }
}

bool TResultMatcher::NameHolds(std::string_view name) const {
  auto sameLetter = [](char a, char b) { return LowerAscii(a) == b; };
  auto begin = name.begin();
  while (true) {
    auto hit =
        nameHasLetters_
            ? std::search(begin, name.end(), lowerName_.begin(), lowerName_.end(), sameLetter)
            : std::search(begin, name.end(), lowerName_.begin(), lowerName_.end());
    if (hit == name.end()) {
      return false;
    }
    // A hit that starts on the second byte of a GBK character is none.
    const auto at = static_cast<std::size_t>(hit - name.begin());
    if (!IsGbkTrailPosition(name, at)) {
      return true;
    }
    begin = hit + 1;
  }
}

bool TResultMatcher::operator()(const TComPanyInfo& company) const {
  const TResultFilter& filter = filter_;
  if (!filter.province.empty() && company.region.province != filter.province) {
    return false;
  }
  if (!filter.city.empty() && company.region.city != filter.city) {
    return false;
  }
  if (!filter.source.empty() && TrimmedView(company.source) != filter.source) {
    return false;
  }
  if ((filter.hasLandline && company.tels.empty()) || (filter.hasEmail && company.emails.empty()) ||
      (filter.hasWeChat && company.wechats.empty())) {
    return false;
  }
  if (!lowerName_.empty() && !NameHolds(company.RawComName())) {
    return false;
  }
  return !filter.noShared || !AllNumbersShared(company, shared_);
}

bool Matches(const TResultFilter& filter, const TComPanyInfo& company,
             const TSharedNumbers& shared) {
  return TResultMatcher(filter, shared)(company);
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
  auto province = std::find_if(provinces_.begin(), provinces_.end(),
                               [&](const TProvince& p) { return p.name == region.province; });
  if (province == provinces_.end()) {
    provinces_.push_back({region.province, 0, {}});
    province = provinces_.end() - 1;
  }
  ++province->count;
  if (region.city.empty()) {
    return;
  }
  auto city = std::find_if(province->cities.begin(), province->cities.end(),
                           [&](const TRegionCount& c) { return c.name == region.city; });
  if (city == province->cities.end()) {
    province->cities.push_back({region.city, 1});
  } else {
    ++city->count;
  }
}

std::vector<TProvinceCount> TRegionTally::Counts() const {
  auto byCount = [](const auto& a, const auto& b) {
    return a.count != b.count ? a.count > b.count : a.name < b.name;
  };
  std::vector<TProvinceCount> provinces;
  for (const auto& province : provinces_) {
    TProvinceCount entry{province.name, province.count, province.cities};
    std::sort(entry.cities.begin(), entry.cities.end(), byCount);
    provinces.push_back(std::move(entry));
  }
  std::sort(provinces.begin(), provinces.end(), [](const auto& a, const auto& b) {
    return a.count != b.count ? a.count > b.count : a.province < b.province;
  });
  return provinces;
}

}  // namespace vlmr
