#include "engine/NumberKind.h"

#include <phonenumbers/phonenumberutil.h>

#include "engine/ChinaNumber.h"

namespace vlmr {

using i18n::phonenumbers::PhoneNumberUtil;

TNumberKind KindOfNumber(std::string_view written) {
  std::string digits = NumberDigits(written);
  // A national significant number: without the trunk 0 of an area code.
  std::string_view national = digits;
  if (national.starts_with('0')) {
    national.remove_prefix(1);
  }
  if (national.empty() || national.size() > 12) {
    return TNumberKind::Other;
  }
  switch (PhoneNumberUtil::GetInstance()->GetNumberType(ChinaNumber(national))) {
    case PhoneNumberUtil::MOBILE:
      return TNumberKind::Mobile;
    case PhoneNumberUtil::FIXED_LINE:
    case PhoneNumberUtil::FIXED_LINE_OR_MOBILE:
      return TNumberKind::Landline;
    case PhoneNumberUtil::TOLL_FREE:
      return TNumberKind::TollFree;
    case PhoneNumberUtil::SHARED_COST:
      return TNumberKind::SharedCost;
    default:
      return TNumberKind::Other;
  }
}

const char* NumberKindLabel(TNumberKind kind) {
  switch (kind) {
    case TNumberKind::Mobile:
      return "手机";
    case TNumberKind::Landline:
      return "座机";
    case TNumberKind::TollFree:
      return "800电话";
    case TNumberKind::SharedCost:
      return "400电话";
    case TNumberKind::Other:
      break;
  }
  return "其他";
}

}  // namespace vlmr
