#include "engine/ContactExtract.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "base/Text.h"
#include "engine/ChatLinks.h"
#include "engine/ContactLinks.h"
#include "engine/EmailForms.h"
#include "engine/PageText.h"
#include "engine/PhoneNumbers.h"
#include "engine/ReadableText.h"
#include "engine/SiteCredits.h"
#include "engine/WeChatIds.h"

namespace vlmr {
namespace {

// One candidate for every occurrence of `marker` in `text`: the text up to and including the
// marker, from just after its last separator ("_", else " ", else "-", else "|").
void CollectCandidates(std::string text, const std::string& marker,
                       std::vector<std::string>& candidates) {
  while (true) {
    std::size_t pos = FindGbk(text, marker);
    if (pos == std::string::npos) {
      return;
    }
    std::string segment = text.substr(0, pos + marker.size());
    std::string candidate = segment;
    for (const char* separator : {"_", " ", "-", "|"}) {
      std::size_t cut = RFindGbk(segment, separator);
      if (cut != std::string::npos) {
        candidate = segment.substr(cut + 1);
        break;
      }
    }
    candidates.push_back(std::move(candidate));
    text.erase(0, segment.size());
  }
}

bool HasName(const TComPanyInfo& record) {
  return !Trim(record.GetComName()).empty();
}

// Cheap tests that a pattern cannot match, run before handing a whole page to the pattern
// service (which converts the page for every call). Each is a necessary condition only: the
// bytes of a literal the pattern needs must occur somewhere, whatever the character bounds.

// `lower` is ASCII in lower case and not empty; the pattern matches its letters without regard
// to case.
bool ContainsNoCase(std::string_view text, std::string_view lower) {
  return FindAsciiNoCase(text, lower) != std::string_view::npos;
}

bool Contains(std::string_view text, std::string_view bytes) {
  return text.find(bytes) != std::string_view::npos;
}

// A run of at least `length` ASCII digits.
bool HasDigitRun(std::string_view text, std::size_t length) {
  std::size_t run = 0;
  for (char c : text) {
    run = c >= '0' && c <= '9' ? run + 1 : 0;
    if (run >= length) {
      return true;
    }
  }
  return false;
}

std::vector<std::string> FindAllIf(bool mayMatch, TRegExp& re, std::string_view text,
                                   const std::string& pattern) {
  return mayMatch ? re.FindAll(text, pattern) : std::vector<std::string>();
}

// The words around an address, in GBK.
struct TAddressWords {
  std::string earth = Utf8ToGbk("地");
  std::string site = Utf8ToGbk("址");
  std::string factorySite = Utf8ToGbk("厂址");
  std::string colon = Utf8ToGbk("：");
  std::string wideBlank = Utf8ToGbk("　");
  std::vector<std::string> nextLabels = {Utf8ToGbk("电话"), Utf8ToGbk("手机"), Utf8ToGbk("传真"),
                                         Utf8ToGbk("邮箱"), Utf8ToGbk("网址"), Utf8ToGbk("邮编"),
                                         Utf8ToGbk("厂址")};
  std::vector<std::string> trailing = {
      ",", ";", "|", Utf8ToGbk("，"), Utf8ToGbk("；"), Utf8ToGbk("、")};
};

const TAddressWords& AddressWords() {
  static const TAddressWords words;
  return words;
}

// Length of the blank at `pos`: a blank or tab, "&nbsp;" (any case) or a full-width blank;
// 0 when there is none.
std::size_t BlankAt(std::string_view text, std::size_t pos) {
  if (text[pos] == ' ' || text[pos] == '\t') {
    return 1;
  }
  constexpr std::string_view kNbsp = "&nbsp;";
  if (text[pos] == '&' && SameText(text.substr(pos, kNbsp.size()), kNbsp)) {
    return kNbsp.size();
  }
  const std::string& wide = AddressWords().wideBlank;
  return text.substr(pos, wide.size()) == wide ? wide.size() : 0;
}

// Where the first address label ends: "地", blanks, "址", or "厂址"; npos when there is none.
std::size_t FindAddressLabel(std::string_view text) {
  const TAddressWords& w = AddressWords();
  const std::size_t factory = FindGbk(text, w.factorySite);
  const std::size_t factoryEnd =
      factory == std::string_view::npos ? factory : factory + w.factorySite.size();
  std::size_t from = 0;
  while (true) {
    const std::size_t earth = FindGbk(text, w.earth, from);
    if (earth == std::string_view::npos || (factory != std::string_view::npos && earth > factory)) {
      return factoryEnd;
    }
    std::size_t pos = earth + w.earth.size();
    while (pos < text.size()) {
      const std::size_t n = BlankAt(text, pos);
      if (n == 0) {
        break;
      }
      pos += n;
    }
    if (text.substr(pos, w.site.size()) == w.site) {
      return pos + w.site.size();
    }
    from = earth + w.earth.size();
  }
}

bool StartsLabel(std::string_view text, std::size_t pos) {
  if (SameText(text.substr(pos, 2), "qq")) {
    return true;
  }
  for (const auto& label : AddressWords().nextLabels) {
    if (text.substr(pos, label.size()) == label) {
      return true;
    }
  }
  return false;
}

bool IsTrailingSeparator(std::string_view ch) {
  const auto& trailing = AddressWords().trailing;
  return std::find(trailing.begin(), trailing.end(), ch) != trailing.end();
}

// Length of the character at `pos` as the code page reads it: a lead byte with a valid second
// byte (0x40-0x7E, 0x80-0xFE) is one character; any other byte stands alone, so a markup byte
// after a stray lead byte is never taken into the text.
std::size_t CharLengthAt(std::string_view text, std::size_t pos) {
  if (pos + 1 < text.size() && IsGbkLeadByte(text[pos])) {
    const auto trail = static_cast<unsigned char>(text[pos + 1]);
    if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) {
      return 2;
    }
  }
  return 1;
}

// The ASCII digits of a text, in order.
std::string DigitsOf(std::string_view text) {
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digits.push_back(c);
    }
  }
  return digits;
}

}  // namespace

const TContactPatterns& ContactPatterns() {
  static const TContactPatterns patterns = [] {
    TContactPatterns p;
    p.title = Utf8ToGbk(R"(<title[^>]*>[^>]*</title>)");
    p.landline = Utf8ToGbk(R"((\d{3,4}-)?\d{7,8})");
    p.landlineDashed = Utf8ToGbk(R"((\d{3}-)(\d{3,4}-)(\d{3,4}))");
    p.mobile = Utf8ToGbk(
        R"((134|135|136|137|138|139|147|150|151|152|157|158|159|178|182|183|184|187|188|130|131|132|145|155|156|176|185|186|133|153|177|180|181|189)\d{8})");
    p.email = Utf8ToGbk(R"([A-Z0-9._%+-]+@[A-Z0-9.-]+\.[A-Z]{2,4})");
    p.qq = Utf8ToGbk(R"(uin=[\d]*&)");
    for (const char* word : {"联系我们", "联系方式", "关于我们", "联系"}) {
      p.contactLinks.push_back(Utf8ToGbk(std::string("<a[^>]*>[^>]*") + word + "[^>]*</a>"));
      p.contactWords.push_back(Utf8ToGbk(word));
    }
    p.contactLinkExact = Utf8ToGbk("<a[^>]*>联系我们</a>");
    return p;
  }();
  return patterns;
}

std::vector<std::string> PageTitles(TRegExp& re, std::string_view text) {
  return FindAllIf(ContainsNoCase(text, "<title"), re, text, ContactPatterns().title);
}

std::string FindContactLink(TRegExp& re, std::string_view text, bool exactOnly) {
  const TContactPatterns& p = ContactPatterns();
  if (!ContainsNoCase(text, "<a") || !ContainsNoCase(text, "</a>")) {
    return {};
  }
  if (exactOnly) {
    std::vector<std::string> found =
        FindAllIf(Contains(text, p.contactWords.front()), re, text, p.contactLinkExact);
    return found.empty() ? std::string() : found.front();
  }
  for (std::size_t i = 0; i < p.contactLinks.size(); ++i) {
    std::vector<std::string> found =
        FindAllIf(Contains(text, p.contactWords[i]), re, text, p.contactLinks[i]);
    if (!found.empty()) {
      return found.front();
    }
  }
  return FindContactLinkBySign(text);
}

std::string TitleText(std::string_view title) {
  return TextBetween(">", "<", title);
}

void FindCompanyName(const std::vector<std::string>& titles, TComPanyInfo& record) {
  if (HasName(record)) {
    return;
  }
  static const std::string kCompany = Utf8ToGbk("公司");
  static const std::string kEnterprise = Utf8ToGbk("企业");
  std::string name;
  std::vector<std::string> candidates;
  for (const auto& title : titles) {
    std::string text = TitleText(title);
    if (text.empty()) {
      continue;
    }
    name = text;
    CollectCandidates(text, kCompany, candidates);
    if (candidates.empty()) {
      CollectCandidates(text, kEnterprise, candidates);
    }
  }
  for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
    if (it->size() >= kMinCandidateBytes) {
      name = *it;
      break;
    }
  }
  record.SetComName(name);
  if (!HasName(record) && !titles.empty()) {
    record.SetComName(TitleText(titles.front()));
  }
}

void ApplyNameStep(TNameStep step, const std::vector<std::string>& titles, TComPanyInfo& record) {
  if (step == TNameStep::FindCompanyName) {
    FindCompanyName(titles, record);
    return;
  }
  if (!HasName(record) && !titles.empty()) {
    record.SetComName(TitleText(titles.front()));
  }
}

namespace {

// A company name without the words every company name has.
std::string CoreOfName(std::string_view name) {
  std::string core = Trim(name);
  for (const char* word : {"有限责任公司", "有限公司", "股份", "公司"}) {
    core = ReplaceAll(core, Utf8ToGbk(word), "");
  }
  return core;
}

bool BelowRoot(std::string_view url) {
  const std::size_t scheme = url.find("://");
  std::string_view rest = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
  const std::size_t slash = rest.find('/');
  if (slash == std::string_view::npos) {
    return false;
  }
  std::string path = GbkLower(rest.substr(slash + 1));
  path = path.substr(0, path.find_first_of("?#"));
  return !path.empty() && !path.starts_with("index.") && !path.starts_with("default.");
}

}  // namespace

std::string DirectoryEntryName(std::string_view filed, std::string_view url,
                               const std::vector<std::string>& titles) {
  if (Trim(filed).empty() || !BelowRoot(url)) {
    return {};
  }
  static const std::string kCompany = Utf8ToGbk("公司");
  TComPanyInfo named;
  FindCompanyName(titles, named);
  const std::string name = Trim(named.GetComName());
  if (name.size() < kMinCandidateBytes || !name.ends_with(kCompany)) {
    return {};
  }
  const std::string entry = CoreOfName(name), site = CoreOfName(filed);
  if (entry.empty() || site.empty() || FindGbk(entry, site) != std::string::npos ||
      FindGbk(site, entry) != std::string::npos) {
    return {};
  }
  return name;
}

std::string AddressOf(std::string_view text) {
  const TAddressWords& w = AddressWords();
  const std::size_t label = FindAddressLabel(text);
  if (label == std::string_view::npos) {
    return {};
  }
  // Past the separator and whatever markup stands before the value.
  std::size_t pos = label;
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == '<') {
      const std::size_t close = text.find('>', pos);
      if (close == std::string_view::npos) {
        return {};
      }
      pos = close + 1;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ':' || c == '>' ||
               c == '"' || c == '\'' || c == '/') {
      ++pos;
    } else if (std::size_t n = BlankAt(text, pos); n > 0) {
      pos += n;
    } else if (text.substr(pos, w.colon.size()) == w.colon) {
      pos += w.colon.size();
    } else {
      break;
    }
  }
  // The value, to the first tag, line break or next label; trailing blanks and separators go.
  const std::size_t begin = pos;
  std::size_t contentEnd = begin;
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == '<' || c == '>' || c == '"' || c == '\r' || c == '\n' || StartsLabel(text, pos)) {
      break;
    }
    if (std::size_t n = BlankAt(text, pos); n > 0) {
      pos += n;
      continue;
    }
    const std::size_t n = CharLengthAt(text, pos);
    if (!IsTrailingSeparator(text.substr(pos, n))) {
      contentEnd = pos + n;
    }
    pos += n;
  }
  return std::string(text.substr(begin, contentEnd - begin));
}

namespace {

// True when the text right before the first place of `tel` is a country code ("86", "+86",
// "0086", with a hyphen, a blank or a bracket after it).
bool AfterCountryCode(std::string_view text, std::string_view tel) {
  const std::size_t at = FindGbk(text, tel);
  if (at == std::string_view::npos) {
    return false;
  }
  std::string_view before = text.substr(0, at);
  if (!before.empty() && (before.back() == '-' || before.back() == ' ' || before.back() == ')')) {
    before.remove_suffix(1);
  }
  return before.ends_with("86");
}

// A landline the old patterns matched, as it is stored: a match in a country-code form gets its
// trunk 0 back ("86-769-85576627" and "769-85576627" after "+86-" are "0769-85576627"); a match
// whose digits begin with "1" once the country code is gone is a mobile, not a landline (empty).
std::string AsLandline(std::string_view text, std::string_view match) {
  std::string tel(match);
  bool national = false;
  for (std::string_view code : {"+86-", "+86 ", "86-", "86 "}) {
    if (tel.starts_with(code)) {
      tel.erase(0, code.size());
      national = true;
      break;
    }
  }
  if (tel.empty() || tel.front() == '1') {
    return {};
  }
  if (tel.front() != '0' && !tel.starts_with("400") && !tel.starts_with("800") &&
      (national || AfterCountryCode(text, match))) {
    tel.insert(0, "0");
    national = true;
  }
  // A country-code form the dashed pattern took ("769-8561-6631") is stored as area code and
  // number, like the written forms.
  if (national) {
    if (const std::size_t dash = tel.find('-'); dash != std::string::npos) {
      tel = tel.substr(0, dash + 1) + ReplaceAll(tel.substr(dash + 1), "-", "");
    }
  }
  return tel;
}

// Landlines as the old patterns find them, then the written forms that are valid numbers and
// whose digits are not listed yet. A written form with an extension puts the extension on the
// entry of its digits when this page listed them without one.
void AddLandlines(TRegExp& re, std::string_view text,
                  const std::vector<TLandlineCandidate>& candidates, TComPanyInfo& record) {
  static const std::string kTurn = Utf8ToGbk("转");
  const TContactPatterns& p = ContactPatterns();
  std::vector<std::string> matches = FindAllIf(HasDigitRun(text, 7), re, text, p.landline);
  if (matches.empty()) {
    matches = FindAllIf(Contains(text, "-") && HasDigitRun(text, 3), re, text, p.landlineDashed);
  }
  std::vector<std::string> found;  // this page's, in order
  for (const auto& m : matches) {
    if (m.size() >= kMinLandlineLength) {
      if (std::string tel = AsLandline(text, m); !tel.empty()) {
        found.push_back(std::move(tel));
      }
    }
  }
  std::unordered_set<std::string> listed;
  for (const auto& tel : record.tels) {
    listed.insert(DigitsOf(tel));
  }
  std::unordered_map<std::string, std::size_t> foundAt;  // digits -> entry of `found`
  for (std::size_t i = 0; i < found.size(); ++i) {
    foundAt.emplace(DigitsOf(found[i]), i);
  }
  std::unordered_set<std::string> rejected;
  std::unordered_set<std::string> extended;
  for (const TLandlineCandidate& c : candidates) {
    std::string digits = c.areaCode + c.number;
    if (auto it = foundAt.find(digits); it != foundAt.end()) {
      if (!c.extension.empty() && extended.insert(digits).second) {
        found[it->second] += kTurn + c.extension;
      }
      continue;
    }
    if (listed.count(digits) != 0 || rejected.count(digits) != 0) {
      continue;
    }
    if (IsLandlineNumber(c.areaCode, c.number)) {
      std::string tel = c.areaCode + "-" + c.number;
      if (!c.extension.empty()) {
        tel += kTurn + c.extension;
        extended.insert(digits);
      }
      foundAt.emplace(digits, found.size());
      found.push_back(std::move(tel));
      listed.insert(std::move(digits));
    } else {
      rejected.insert(std::move(digits));
    }
  }
  for (const auto& tel : found) {
    record.AddTel(tel);
  }
}

// Mobiles as the old plan's pattern finds them, then the written forms that are valid mobile
// numbers of today's plan.
void AddMobiles(TRegExp& re, std::string_view text, std::vector<std::string>& candidates,
                TComPanyInfo& record) {
  for (const auto& m :
       FindAllIf(HasDigitRun(text, kMobileLength), re, text, ContactPatterns().mobile)) {
    if (m.size() == kMobileLength) {
      record.AddMobile(m);
    }
  }
  std::unordered_set<std::string> seen(record.mobiles.begin(), record.mobiles.end());
  for (std::string& digits : candidates) {
    if (seen.count(digits) != 0) {
      continue;
    }
    if (IsMobileNumber(digits)) {
      record.AddMobile(digits);
    }
    seen.insert(std::move(digits));
  }
}

}  // namespace

bool ExtractContacts(TRegExp& re, std::string_view page, TComPanyInfo& record) {
  const TContactPatterns& p = ContactPatterns();
  // The credits of the firm that built the site go first: their numbers are not the company's.
  std::string own;
  std::string_view text = page;
  if (HasSiteCredits(page)) {
    own = WithoutSiteCredits(page);
    text = own;
  }
  // The written forms on the page as it is and on the copy its reader sees.
  const std::string readable = ReadableText(text);
  TPhoneCandidates candidates = PhoneCandidates(text);
  {
    TPhoneCandidates seen = PhoneCandidates(readable);
    candidates.landlines.insert(candidates.landlines.end(), seen.landlines.begin(),
                                seen.landlines.end());
    candidates.mobiles.insert(candidates.mobiles.end(), seen.mobiles.begin(), seen.mobiles.end());
  }
  AddLandlines(re, text, candidates.landlines, record);
  AddMobiles(re, text, candidates.mobiles, record);
  for (const auto& m : FindAllIf(Contains(text, "@"), re, text, p.email)) {
    record.AddEmail(m);
  }
  for (const auto& m : WrittenEmails(readable)) {
    record.AddEmail(m);
  }

  for (const auto& m : FindAllIf(ContainsNoCase(text, "uin="), re, text, p.qq)) {
    // The match is "uin=", digits and "&" in whatever letter case the page wrote it.
    if (m.size() < 5) {
      continue;
    }
    std::string qq = m.substr(4, m.size() - 5);
    if (!qq.empty()) {
      record.AddQQ(qq);
    }
  }
  for (const auto& qq : QqNumbersOfChatLinks(text)) {
    record.AddQQ(qq);
  }
  if (record.tels.empty() && record.mobiles.empty()) {
    record.Clear();
    return false;
  }
  for (const auto& id : WeChatIds(readable)) {
    if (id != kSameAsMobile) {
      record.AddWeChat(id);
    } else if (!record.mobiles.empty()) {
      record.AddWeChat(record.mobiles[0]);
    }
  }
  if (std::string address = AddressOf(text); address.size() >= kMinAddressBytes) {
    record.address = std::move(address);
  }
  return true;
}

bool ExtractPage(TRegExp& re, TNameStep step, std::string_view text, TComPanyInfo& record) {
  ApplyNameStep(step, PageTitles(re, text), record);
  return ExtractContacts(re, text, record);
}

}  // namespace vlmr
