// Where a company is, from its numbers and its address. libphonenumber's offline geocoder
// (Chinese descriptions) names the city a landline's area code belongs to and the city a mobile
// number's prefix was issued in ("广东省广州市", "北京市", "内蒙古呼和浩特市", "中国" when it
// knows only the country, several cities joined by "、" for a shared area code).
//
// The rule: the first landline that names a city; else the city most of the mobiles name (the
// earliest of equal counts; when a landline named only its province, because several cities share
// its area code, among the mobiles of that province, else that province); else the first
// province the address text names; else nothing. The region keeps which of the three it came
// from. Texts are GBK.
#pragma once

#include <string>
#include <string_view>

#include "base/StringList.h"
#include "engine/records/KeyUnit.h"

namespace vlmr {

// The place of a geocoder description (UTF-8) split into province and city (GBK): a municipality
// is its own province and city; a description naming several cities gives the province alone;
// "中国" and anything that names no province give nothing.
TRegion SplitPlace(std::string_view descriptionUtf8);

// The place of one stored number (see NumberKind.h for the written forms): a mobile's issuing
// city, a landline's area; empty for 400 / 800 numbers and anything the geocoder does not place.
// Answers come from a cache keyed by the prefix the geocoder reads (a mobile's first seven
// digits, an area code), so a repeated prefix costs a hash lookup. Safe from any thread.
TRegion PlaceOfNumber(std::string_view written);

// The first province-level name the address text holds ("广东", "广州市..." holds none), as the
// geocoder writes it ("广东省", "北京市", "广西"); empty when there is none.
std::string ProvinceInAddress(std::string_view addressGbk);

// The region of a company by the rule above.
TRegion RegionOf(const TUniqueStringList& tels, const TUniqueStringList& mobiles,
                 std::string_view addressGbk);
inline TRegion RegionOf(const TComPanyInfo& company) {
  return RegionOf(company.tels, company.mobiles, company.address);
}

// "座机", "手机", "地址", "" (UTF-8): the hint of a region's source.
const char* RegionSourceLabel(TRegionSource source);

}  // namespace vlmr
