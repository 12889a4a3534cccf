#include "engine/ContactLinks.h"

#include <array>
#include <vector>

#include "base/Text.h"
#include "engine/PageText.h"
#include "engine/SiteLinks.h"

namespace vlmr {
namespace {

constexpr std::size_t kMaxAnchorBytes = 4096;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The text of an anchor's contents without tags and blanks ("&nbsp;" and the full-width blank
// count as blanks).
std::string TextOf(std::string_view inner) {
  static const std::string kWideBlank = Utf8ToGbk("　");
  std::string text;
  std::size_t i = 0;
  while (i < inner.size()) {
    if (inner[i] == '<') {
      const std::size_t close = inner.find('>', i);
      if (close == std::string_view::npos) {
        break;
      }
      i = close + 1;
      continue;
    }
    if (IsBlank(inner[i])) {
      ++i;
      continue;
    }
    if (inner[i] == '&' && SameText(inner.substr(i, 6), "&nbsp;")) {
      i += 6;
      continue;
    }
    if (inner.substr(i, kWideBlank.size()) == kWideBlank) {
      i += kWideBlank.size();
      continue;
    }
    const std::size_t n = GbkCharLength(inner, i);
    text.append(inner.substr(i, n));
    i += n;
  }
  return text;
}

bool IsContactWord(std::string_view text) {
  static const std::vector<std::string> kWords = [] {
    std::vector<std::string> words;
    for (const char* w : {"联系我们", "联系方式", "联络我们", "聯絡我們", "聯繫我們"}) {
      words.push_back(Utf8ToGbk(w));
    }
    return words;
  }();
  for (const std::string& w : kWords) {
    if (text == w) {
      return true;
    }
  }
  return SameText(text, "contact") || SameText(text, "contactus");
}

// The alt texts of the images inside an anchor.
bool ImageSays(std::string_view inner) {
  std::size_t at = 0;
  const std::string lowered = GbkLower(inner);
  while ((at = lowered.find("<img", at)) != std::string::npos) {
    const std::size_t close = lowered.find('>', at);
    const std::string_view tag =
        inner.substr(at, close == std::string::npos ? std::string_view::npos : close - at);
    if (IsContactWord(TextOf(TagAttribute(tag, "alt")))) {
      return true;
    }
    at += 4;
  }
  return false;
}

bool AddressSays(std::string_view href) {
  std::string path = GbkLower(href.substr(0, href.find_first_of("?#")));
  while (!path.empty() && path.back() == '/') {
    path.pop_back();
  }
  std::string_view segment = path;
  if (const std::size_t slash = segment.rfind('/'); slash != std::string_view::npos) {
    segment.remove_prefix(slash + 1);
  }
  if (const std::size_t dot = segment.find('.'); dot != std::string_view::npos) {
    segment = segment.substr(0, dot);
  }
  static constexpr std::array<std::string_view, 8> kPaths = {
      "contact", "contactus", "contact-us", "contact_us", "lianxi", "lianxiwomen", "lxwm", "lxfs"};
  for (std::string_view p : kPaths) {
    if (segment == p) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::string FindContactLinkBySign(std::string_view page) {
  const std::string lowered = LowerBytes(page);
  std::string byAddress;
  std::size_t pos = 0;
  std::size_t closeAt = 0;  // the next "</a" at or after the anchor being read
  bool closes = true;
  while ((pos = lowered.find("<a", pos)) != std::string::npos) {
    const std::size_t start = pos;
    pos += 2;
    if (pos >= lowered.size() || !IsBlank(lowered[pos])) {
      continue;
    }
    const std::size_t tagEnd = lowered.find('>', pos);
    if (tagEnd == std::string::npos) {
      break;
    }
    if (closes && closeAt <= tagEnd) {
      closeAt = lowered.find("</a", tagEnd);
      closes = closeAt != std::string::npos;
    }
    if (!closes) {
      break;
    }
    // Anchors do not nest: an anchor that never closes ends where the next begins.
    const std::size_t next = lowered.find("<a", tagEnd);
    const std::size_t innerEnd = std::min(closeAt, next);
    if (innerEnd - tagEnd > kMaxAnchorBytes) {
      continue;
    }
    const std::string_view tag = page.substr(start, tagEnd + 1 - start);
    const std::string_view inner = page.substr(tagEnd + 1, innerEnd - tagEnd - 1);
    const std::size_t closeEnd = lowered.find('>', closeAt);
    const std::string anchor(page.substr(
        start,
        (innerEnd == closeAt && closeEnd != std::string::npos ? closeEnd + 1 : innerEnd) - start));
    if (IsContactWord(TextOf(inner)) || IsContactWord(TextOf(TagAttribute(tag, "title"))) ||
        ImageSays(inner)) {
      return anchor;
    }
    if (byAddress.empty() && AddressSays(HrefOf(tag))) {
      byAddress = anchor;
    }
  }
  return byAddress;
}

}  // namespace vlmr
