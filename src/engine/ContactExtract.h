// The extraction of one company page, without network: the page's titles name the company,
// the contact patterns and the written phone forms fill the record's phones, e-mail addresses
// and QQ numbers, and the first address label gives its postal address. Texts and patterns are
// GBK.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/RegExp.h"
#include "engine/records/KeyUnit.h"

namespace vlmr {

// The patterns of the extraction and of the contact-link search, in GBK.
struct TContactPatterns {
  std::string title;           // "<title[^>]*>[^>]*</title>"
  std::string landline;        // "(\d{3,4}-)?\d{7,8}"
  std::string landlineDashed;  // "(\d{3}-)(\d{3,4}-)(\d{3,4})", tried when the first finds nothing
  std::string mobile;          // the 34 mobile prefixes of the old plan and eight digits
  std::string email;
  std::string qq;  // "uin=[\d]*&"
  // Contact links by their text: "联系我们", "联系方式", "关于我们", "联系", in that order, and
  // those words.
  std::vector<std::string> contactLinks;
  std::vector<std::string> contactWords;
  // A link whose whole text is "联系我们".
  std::string contactLinkExact;
};
const TContactPatterns& ContactPatterns();

// The page's title elements, whole ("<title[^>]*>[^>]*</title>").
std::vector<std::string> PageTitles(TRegExp& re, std::string_view text);

// The contact link of a page: the first match of the first of the four contact-link patterns
// that finds anything, else the first link ContactLinks.h finds by its text, title, image or
// address; with `exactOnly` only the first link whose whole text is "联系我们". Empty when there
// is none.
std::string FindContactLink(TRegExp& re, std::string_view text, bool exactOnly);

// A landline counts when it is longer than this many characters (a bare run of seven or
// eight digits is matched but not taken).
inline constexpr std::size_t kMinLandlineLength = 11;
inline constexpr std::size_t kMobileLength = 11;
// An address or a name candidate counts when it is longer than this many GBK bytes.
inline constexpr std::size_t kMinAddressBytes = 6;
inline constexpr std::size_t kMinCandidateBytes = 6;

// The text of a title match: between its first ">" and the next "<" (to its end without one).
std::string TitleText(std::string_view title);

// How a page names a company whose record has no name yet.
enum class TNameStep {
  FirstTitle,       // the first title's text
  FindCompanyName,  // a name ending in "公司" or "企业" out of the titles, else a title's text
};

// The record's name from the page's titles, when the record has none yet (see TNameStep).
void FindCompanyName(const std::vector<std::string>& titles, TComPanyInfo& record);
void ApplyNameStep(TNameStep step, const std::vector<std::string>& titles, TComPanyInfo& record);

// The company a directory or yellow-pages entry describes: when `url` lies below its site's root
// (a path other than "/" or an index or default page) and the page's titles name a company
// (FindCompanyName's candidate ending in "公司") that is not the site's filed sponsor `filed`
// (neither name, without "有限责任公司", "有限公司", "股份" and "公司", holds the other), that
// company's name; else (also without a filed sponsor) empty.
std::string DirectoryEntryName(std::string_view filed, std::string_view url,
                               const std::vector<std::string>& titles);

// The value of the page's first address label ("地址", also with blanks, "&nbsp;" or full-width
// blanks between its two characters, as in "公司地址", "联系地址"; or "厂址"): the label, its
// separator (":", "：") and any tags, blanks and line breaks after it are skipped (and the end of a
// tag the label stood in: quotes, "/",
// ">"); the value ends at the first tag, quote, line break or next label ("电话", "手机",
// "传真", "邮箱", "网址", "邮编", "厂址", "QQ") and is trimmed of blanks and of trailing
// separators. Empty when the page has no such label.
std::string AddressOf(std::string_view text);

// Adds the page's phone numbers, e-mail addresses and QQ numbers to the record. The credits of
// the firm that built the site (SiteCredits.h) are blanked first; the written forms are read on
// the page and on its readable copy (ReadableText.h: markup, entities and full-width forms
// undone, tel:/mailto: links, JSON-LD and <meta> contact values).
//  - Landlines: the matches of the landline pattern (of the dashed one when the first finds
//    nothing at all) longer than 10 characters, as written, except that a country-code form gets
//    its trunk 0 back and a match that is a mobile (its digits begin with "1") is no landline;
//    then the written forms of PhoneNumbers.h that are valid numbers, as area code, "-", number,
//    unless a landline of the same digits is listed already. An extension written after a
//    number stays on its entry ("020-87654321转801").
//  - Mobiles: the matches of the old plan's pattern, anywhere; then the written forms of
//    PhoneNumbers.h that are valid mobile numbers, as plain 11 digits.
//  - E-mail: the pattern's matches, then the forms of EmailForms.h on the readable copy.
//  - QQ: "uin=" digits "&" anywhere, then the chat links of ChatLinks.h.
// When the record then has no landline and no mobile it is cleared and the answer is false
// (nothing to report); otherwise the page's address (AddressOf) replaces the record's when it
// is long enough, and the answer is true.
bool ExtractContacts(TRegExp& re, std::string_view text, TComPanyInfo& record);

// The whole extraction of a page text: titles, the name step, then the contacts.
bool ExtractPage(TRegExp& re, TNameStep step, std::string_view text, TComPanyInfo& record);

}  // namespace vlmr
