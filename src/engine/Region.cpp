#include "engine/Region.h"

#include <phonenumbers/geocoding/phonenumber_offline_geocoder.h>
#include <unicode/locid.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "base/Text.h"
#include "engine/ChinaNumber.h"
#include "engine/NumberKind.h"

namespace vlmr {
namespace {

using i18n::phonenumbers::PhoneNumberOfflineGeocoder;

struct TProvince {
  const char* name;   // as the geocoder writes it (UTF-8)
  const char* brief;  // as addresses write it at the least
  bool municipality;
};

// Every province-level division, by the geocoder's names.
constexpr std::array<TProvince, 34> kProvinces = {{
    {"北京市", "北京", true},    {"天津市", "天津", true},  {"上海市", "上海", true},
    {"重庆市", "重庆", true},    {"河北省", "河北", false}, {"山西省", "山西", false},
    {"辽宁省", "辽宁", false},   {"吉林省", "吉林", false}, {"黑龙江省", "黑龙江", false},
    {"江苏省", "江苏", false},   {"浙江省", "浙江", false}, {"安徽省", "安徽", false},
    {"福建省", "福建", false},   {"江西省", "江西", false}, {"山东省", "山东", false},
    {"河南省", "河南", false},   {"湖北省", "湖北", false}, {"湖南省", "湖南", false},
    {"广东省", "广东", false},   {"海南省", "海南", false}, {"四川省", "四川", false},
    {"贵州省", "贵州", false},   {"云南省", "云南", false}, {"陕西省", "陕西", false},
    {"甘肃省", "甘肃", false},   {"青海省", "青海", false}, {"台湾省", "台湾", false},
    {"内蒙古", "内蒙古", false}, {"广西", "广西", false},   {"西藏", "西藏", false},
    {"宁夏", "宁夏", false},     {"新疆", "新疆", false},   {"香港", "香港", true},
    {"澳门", "澳门", true},
}};

struct TProvinceGbk {
  std::string name;
  std::string brief;
  bool municipality;
};

const std::vector<TProvinceGbk>& ProvincesGbk() {
  static const std::vector<TProvinceGbk> provinces = [] {
    std::vector<TProvinceGbk> all;
    for (const auto& p : kProvinces) {
      all.push_back({Utf8ToGbk(p.name), Utf8ToGbk(p.brief), p.municipality});
    }
    return all;
  }();
  return provinces;
}

// The prefix the geocoder reads: a mobile's first seven digits, an area code with its 0.
std::string PlaceKey(const std::string& digits) {
  if (digits.size() == 11 && digits[0] == '1') {
    return digits.substr(0, 7);
  }
  if (digits.size() >= 10 && digits[0] == '0' && !digits.starts_with("0400") &&
      !digits.starts_with("0800")) {
    return digits.substr(0, digits[1] == '1' || digits[1] == '2' ? 3 : 4);
  }
  return {};
}

class TPlaceCache {
 public:
  TRegion Lookup(const std::string& digits) {
    std::string key = PlaceKey(digits);
    if (key.empty()) {
      return {};
    }
    std::lock_guard lock(mutex_);
    auto found = places_.find(key);
    if (found != places_.end()) {
      return found->second;
    }
    // Any number of the prefix names the same place: the rest of the digits are filled in.
    const std::string_view national = std::string_view(digits).substr(digits[0] == '0' ? 1 : 0);
    TRegion place =
        SplitPlace(geocoder_.GetDescriptionForValidNumber(ChinaNumber(national), locale_));
    places_.emplace(std::move(key), place);
    return place;
  }

 private:
  std::mutex mutex_;
  PhoneNumberOfflineGeocoder geocoder_;
  const icu::Locale locale_{"zh"};
  std::unordered_map<std::string, TRegion> places_;
};

// The first position of `needle` in GBK `text` that starts a character, or npos.
std::size_t FindGbk(std::string_view text, std::string_view needle) {
  for (std::size_t at = text.find(needle); at != std::string_view::npos;
       at = text.find(needle, at + 1)) {
    if (!IsGbkTrailPosition(text, at)) {
      return at;
    }
  }
  return std::string_view::npos;
}

const TProvinceGbk* ProvinceOfAddress(std::string_view addressGbk) {
  const TProvinceGbk* first = nullptr;
  std::size_t firstAt = std::string_view::npos;
  for (const auto& province : ProvincesGbk()) {
    std::size_t at = FindGbk(addressGbk, province.brief);
    if (at < firstAt) {
      firstAt = at;
      first = &province;
    }
  }
  return first;
}

TPlaceCache& PlaceCache() {
  static TPlaceCache cache;
  return cache;
}

}  // namespace

TRegion SplitPlace(std::string_view descriptionUtf8) {
  const std::string description = Utf8ToGbk(descriptionUtf8);
  TRegion place;
  for (const auto& province : ProvincesGbk()) {
    if (!description.starts_with(province.name)) {
      continue;
    }
    place.province = province.name;
    std::string rest = description.substr(province.name.size());
    if (province.municipality) {
      place.city = province.name;
    } else if (rest.find(Utf8ToGbk("、")) == std::string::npos) {
      place.city = std::move(rest);
    }
    return place;
  }
  return place;
}

TRegion PlaceOfNumber(std::string_view written) {
  return PlaceCache().Lookup(NumberDigits(written));
}

std::string ProvinceInAddress(std::string_view addressGbk) {
  const TProvinceGbk* province = ProvinceOfAddress(addressGbk);
  return province ? province->name : std::string();
}

TRegion RegionOf(const TUniqueStringList& tels, const TUniqueStringList& mobiles,
                 std::string_view addressGbk) {
  // A landline whose area code several cities share names the province only.
  TRegion provinceOnly;
  for (const auto& tel : tels) {
    TRegion place = PlaceOfNumber(tel);
    if (!place.city.empty()) {
      place.source = TRegionSource::Landline;
      return place;
    }
    if (provinceOnly.empty()) {
      provinceOnly = std::move(place);
    }
  }
  // The most common city among the mobiles (in that province, when a landline named one); the
  // earliest of equal counts.
  std::vector<std::pair<TRegion, int>> cities;
  for (const auto& mobile : mobiles) {
    TRegion place = PlaceOfNumber(mobile);
    if (place.city.empty() || (!provinceOnly.empty() && place.province != provinceOnly.province)) {
      continue;
    }
    auto same = std::find_if(cities.begin(), cities.end(),
                             [&](const auto& entry) { return entry.first == place; });
    if (same == cities.end()) {
      cities.emplace_back(std::move(place), 1);
    } else {
      ++same->second;
    }
  }
  if (!cities.empty()) {
    auto best = cities.begin();
    for (auto it = cities.begin(); it != cities.end(); ++it) {
      if (it->second > best->second) {
        best = it;
      }
    }
    TRegion region = best->first;
    region.source = TRegionSource::Mobile;
    return region;
  }
  if (!provinceOnly.empty()) {
    provinceOnly.source = TRegionSource::Landline;
    return provinceOnly;
  }
  if (const TProvinceGbk* province = ProvinceOfAddress(addressGbk)) {
    // A municipality is its own city.
    return {province->name, province->municipality ? province->name : std::string(),
            TRegionSource::Address};
  }
  return {};
}

const char* RegionSourceLabel(TRegionSource source) {
  switch (source) {
    case TRegionSource::Landline:
      return "座机";
    case TRegionSource::Mobile:
      return "手机";
    case TRegionSource::Address:
      return "地址";
    case TRegionSource::None:
      break;
  }
  return "";
}

}  // namespace vlmr
