#include "engine/PhoneNumbers.h"

#include <phonenumbers/phonenumberutil.h>

#include <algorithm>
#include <cstdint>

#include "base/Text.h"
#include "engine/ChinaNumber.h"

namespace vlmr {
namespace {

using i18n::phonenumbers::PhoneNumberUtil;

constexpr std::size_t kMobileDigits = 11;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

// The type libphonenumber gives a national significant number (no trunk prefix) of China.
PhoneNumberUtil::PhoneNumberType TypeOf(std::string_view national) {
  // The instance is made once and is safe to use from every thread.
  return PhoneNumberUtil::GetInstance()->GetNumberType(ChinaNumber(national));
}

// A maximal run of ASCII digits, [begin, end).
struct TGroup {
  std::size_t begin;
  std::size_t end;
  std::size_t size() const { return end - begin; }
};

std::vector<TGroup> DigitGroups(std::string_view text) {
  std::vector<TGroup> groups;
  const char* const data = text.data();
  const std::size_t size = text.size();
  std::size_t i = 0;
  while (true) {
    while (i < size && !IsDigit(data[i])) {
      ++i;
    }
    if (i == size) {
      return groups;
    }
    const std::size_t begin = i;
    while (i < size && IsDigit(data[i])) {
      ++i;
    }
    groups.push_back({begin, i});
  }
}

bool IsJoiner(char c) {
  return c == ' ' || c == '-';
}

// True when `b` follows `a` with exactly one blank or hyphen between them.
bool Joined(std::string_view text, const TGroup& a, const TGroup& b) {
  return b.begin == a.end + 1 && IsJoiner(text[a.end]);
}

std::string_view Digits(std::string_view text, const TGroup& g) {
  return text.substr(g.begin, g.size());
}

bool IsServicePrefix(std::string_view digits) {
  return digits == "400" || digits == "800";
}

// Where the local number of an area code in `g` must begin: after its closing bracket (and one
// blank or hyphen, if any) or after the one blank or hyphen that follows it; npos when the
// area code is written neither way.
std::size_t AfterAreaCode(std::string_view text, const TGroup& g, bool bracketsAllowed) {
  static const std::string kOpen = Utf8ToGbk("（");
  static const std::string kClose = Utf8ToGbk("）");
  std::size_t pos = g.end;
  bool bracketed = false;
  if (bracketsAllowed) {
    if (g.begin >= 1 && text[g.begin - 1] == '(' && pos < text.size() && text[pos] == ')') {
      bracketed = true;
      pos += 1;
    } else if (g.begin >= kOpen.size() &&
               text.substr(g.begin - kOpen.size(), kOpen.size()) == kOpen &&
               text.substr(pos, kClose.size()) == kClose) {
      bracketed = true;
      pos += kClose.size();
    }
  }
  if (pos < text.size() && IsJoiner(text[pos])) {
    return pos + 1;
  }
  return bracketed ? pos : std::string_view::npos;
}

std::vector<std::string> MobilesIn(std::string_view text, const std::vector<TGroup>& groups) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < groups.size(); ++i) {
    const TGroup& g = groups[i];
    const std::string_view first = Digits(text, g);
    // "+8613812345678": the country code glued to the number.
    if (g.size() == kMobileDigits + 2 && first.starts_with("86") && g.begin > 0 &&
        text[g.begin - 1] == '+') {
      if (first[2] == '1') {
        out.emplace_back(first.substr(2));
      }
      continue;
    }
    if (first.front() != '1' || (g.size() != 3 && g.size() != 4 && g.size() != kMobileDigits)) {
      continue;
    }
    std::string digits(first);
    // At most three groups, each of at least three digits, the last of at least four: 3-4-4,
    // 3-8, 4-3-4, 4-7 (a three-digit group at the end begins the next number).
    std::size_t last = i;
    while (digits.size() < kMobileDigits && last + 1 < groups.size() && last < i + 2 &&
           Joined(text, groups[last], groups[last + 1]) && groups[last + 1].size() >= 3) {
      ++last;
      digits += Digits(text, groups[last]);
    }
    if (digits.size() == kMobileDigits && groups[last].size() >= 4) {
      out.push_back(std::move(digits));
    }
  }
  return out;
}

// The local number that begins with group `j`: 7 to `maxLocal` digits as one group, or two
// joined groups of three or four. The index of its last group, or 0 when there is none.
std::size_t LocalNumber(std::string_view text, const std::vector<TGroup>& groups, std::size_t j,
                        std::size_t maxLocal, std::string& local) {
  constexpr std::size_t kMinLocal = 7;
  const TGroup& h = groups[j];
  local = Digits(text, h);
  if (local.size() >= kMinLocal && local.size() <= maxLocal) {
    return j;
  }
  if (h.size() < 3 || h.size() > 4 || j + 1 >= groups.size() || !Joined(text, h, groups[j + 1]) ||
      groups[j + 1].size() < 3 || groups[j + 1].size() > 4) {
    return 0;
  }
  local += Digits(text, groups[j + 1]);
  return local.size() >= kMinLocal && local.size() <= maxLocal ? j + 1 : 0;
}

// The extension written after a number that ends with group `k`: "转801", "-801", " ext. 801",
// "x801", "分机801" (blanks and a colon allowed around the word), one to five digits that end the
// digit run. Empty when there is none.
std::string ExtensionAfter(std::string_view text, const std::vector<TGroup>& groups,
                           std::size_t k) {
  static const std::string kTurn = Utf8ToGbk("转");
  static const std::string kBranch = Utf8ToGbk("分机");
  static const std::string kColon = Utf8ToGbk("：");
  if (k + 1 >= groups.size()) {
    return {};
  }
  const TGroup& ext = groups[k + 1];
  if (ext.size() > 5) {
    return {};
  }
  std::string_view between = text.substr(groups[k].end, ext.begin - groups[k].end);
  if (between == "-") {
    return std::string(Digits(text, ext));
  }
  auto trimBlanks = [](std::string_view& s) {
    while (!s.empty() && s.front() == ' ') {
      s.remove_prefix(1);
    }
    while (!s.empty() && s.back() == ' ') {
      s.remove_suffix(1);
    }
  };
  trimBlanks(between);
  if (between.ends_with(':')) {
    between.remove_suffix(1);
  } else if (between.ends_with(kColon)) {
    between.remove_suffix(kColon.size());
  }
  trimBlanks(between);
  if (between.size() > 6) {
    return {};
  }
  const std::string word = GbkLower(between);
  if (word == kTurn || word == kBranch || word == "ext" || word == "ext." || word == "x") {
    return std::string(Digits(text, ext));
  }
  return {};
}

// The country code of "+86 769 8557 6627", "86-20-87654321", "0086 755 83216688" at group `i`:
// true when it is followed by an area code without its trunk 0.
bool CountryCodeBeforeArea(std::string_view text, const std::vector<TGroup>& groups,
                           std::size_t i) {
  const std::string_view code = Digits(text, groups[i]);
  if ((code != "86" && code != "0086") || i + 1 >= groups.size() ||
      !Joined(text, groups[i], groups[i + 1])) {
    return false;
  }
  const std::string_view area = Digits(text, groups[i + 1]);
  return (area.size() == 2 || area.size() == 3) && area.front() >= '2' && area.front() <= '9';
}

std::vector<TLandlineCandidate> LandlinesIn(std::string_view text,
                                            const std::vector<TGroup>& groups) {
  std::vector<TLandlineCandidate> out;
  for (std::size_t i = 0; i < groups.size(); ++i) {
    const TGroup& g = groups[i];
    const std::string_view first = Digits(text, g);
    const bool service = IsServicePrefix(first.substr(0, 3));
    if (service && g.size() == 10) {
      out.push_back({std::string(first.substr(0, 3)), std::string(first.substr(3)),
                     ExtensionAfter(text, groups, i)});
      continue;
    }
    std::string areaCode;
    std::size_t localGroup = 0;
    if (CountryCodeBeforeArea(text, groups, i)) {
      const TGroup& a = groups[i + 1];
      if (i + 2 >= groups.size() || !Joined(text, a, groups[i + 2])) {
        continue;
      }
      // The trunk 0 goes back in front of the area code; service numbers have none.
      const std::string_view digits = Digits(text, a);
      areaCode = IsServicePrefix(digits) ? std::string(digits) : "0" + std::string(digits);
      localGroup = i + 2;
    } else {
      const bool area = (g.size() == 3 || g.size() == 4) && first.front() == '0';
      if (!(service && g.size() == 3) && !area) {
        continue;
      }
      const std::size_t localBegin = AfterAreaCode(text, g, area);
      if (localBegin == std::string_view::npos || i + 1 >= groups.size() ||
          groups[i + 1].begin != localBegin) {
        continue;
      }
      areaCode = first;
      localGroup = i + 1;
    }
    const std::size_t maxLocal = IsServicePrefix(areaCode) ? 7 : 8;
    std::string local;
    const std::size_t last = LocalNumber(text, groups, localGroup, maxLocal, local);
    if (last == 0) {
      continue;
    }
    out.push_back({std::move(areaCode), std::move(local), ExtensionAfter(text, groups, last)});
  }
  return out;
}

}  // namespace

bool IsMobileNumber(std::string_view digits) {
  if (digits.size() != kMobileDigits || digits.front() != '1' || !AllDigits(digits)) {
    return false;
  }
  const PhoneNumberUtil::PhoneNumberType type = TypeOf(digits);
  return type == PhoneNumberUtil::MOBILE || type == PhoneNumberUtil::FIXED_LINE_OR_MOBILE;
}

bool IsLandlineNumber(std::string_view areaCode, std::string_view number) {
  if (!AllDigits(areaCode) || !AllDigits(number)) {
    return false;
  }
  std::string national;
  if (IsServicePrefix(areaCode)) {
    national = std::string(areaCode) + std::string(number);
  } else if (areaCode.size() >= 3 && areaCode.size() <= 4 && areaCode[0] == '0' &&
             areaCode[1] != '0') {
    national = std::string(areaCode.substr(1)) + std::string(number);
  } else {
    return false;
  }
  if (national.size() > 12) {
    return false;
  }
  switch (TypeOf(national)) {
    case PhoneNumberUtil::FIXED_LINE:
    case PhoneNumberUtil::FIXED_LINE_OR_MOBILE:
    case PhoneNumberUtil::TOLL_FREE:
    case PhoneNumberUtil::SHARED_COST:
    case PhoneNumberUtil::UAN:
    case PhoneNumberUtil::VOIP:
      return true;
    default:
      return false;
  }
}

std::vector<std::string> MobileCandidates(std::string_view text) {
  return MobilesIn(text, DigitGroups(text));
}

std::vector<TLandlineCandidate> LandlineCandidates(std::string_view text) {
  return LandlinesIn(text, DigitGroups(text));
}

TPhoneCandidates PhoneCandidates(std::string_view text) {
  const std::vector<TGroup> groups = DigitGroups(text);
  return {MobilesIn(text, groups), LandlinesIn(text, groups)};
}

}  // namespace vlmr
