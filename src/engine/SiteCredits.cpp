#include "engine/SiteCredits.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "base/Text.h"
#include "engine/PageText.h"

namespace vlmr {
namespace {

constexpr std::size_t kMaxCreditBytes = 200;
constexpr std::size_t kMaxFooters = 16;

struct TMarkers {
  std::vector<std::string> gbk;
  std::array<std::string_view, 3> ascii = {"powered by", "designed by", "technical support"};
  TMarkers() {
    for (const char* m : {"技术支持", "网站建设", "网站设计", "网站制作", "网页设计", "网站维护",
                          "网站开发", "建站", "设计制作"}) {
      gbk.push_back(Utf8ToGbk(m));
    }
  }
};

const TMarkers& Markers() {
  static const TMarkers markers;
  return markers;
}

bool IsTagChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// The lower-case name of the tag at `pos` ("<" there), without its "/".
std::string_view TagName(std::string_view lowered, std::size_t pos, bool& closing) {
  std::size_t i = pos + 1;
  closing = i < lowered.size() && lowered[i] == '/';
  if (closing) {
    ++i;
  }
  std::size_t end = i;
  while (end < lowered.size() && IsTagChar(lowered[end])) {
    ++end;
  }
  return lowered.substr(i, end - i);
}

bool IsBlockTag(std::string_view name) {
  static constexpr std::array<std::string_view, 19> kBlocks = {
      "p",  "div", "li", "td", "tr", "br", "table", "ul",      "dl",    "dd",
      "dt", "h1",  "h2", "h3", "h4", "h5", "h6",    "section", "footer"};
  for (std::string_view b : kBlocks) {
    if (name == b) {
      return true;
    }
  }
  return false;
}

bool IsFooterTag(std::string_view name, std::string_view tag) {
  if (name == "footer") {
    return true;
  }
  for (std::string_view attr : {"class=", "id="}) {
    std::size_t at = tag.find(attr);
    if (at == std::string_view::npos) {
      continue;
    }
    std::string_view value = tag.substr(at + attr.size(), 64);
    value = value.substr(0, value.find_first_of(" >\t\r\n", 1));
    for (std::string_view word : {"foot", "copyright", "bottom", "banquan"}) {
      if (value.find(word) != std::string_view::npos) {
        return true;
      }
    }
  }
  return false;
}

// Footer blocks as [begin, end) ranges, the end at the tag that closes the block.
std::vector<std::pair<std::size_t, std::size_t>> FooterBlocks(std::string_view lowered) {
  std::vector<std::pair<std::size_t, std::size_t>> blocks;
  std::size_t pos = 0;
  while (blocks.size() < kMaxFooters && (pos = lowered.find('<', pos)) != std::string_view::npos) {
    bool closing = false;
    const std::string_view name = TagName(lowered, pos, closing);
    const std::size_t close = lowered.find('>', pos);
    if (close == std::string_view::npos) {
      break;
    }
    if (closing || name.empty() || !IsFooterTag(name, lowered.substr(pos, close - pos))) {
      pos = close;
      continue;
    }
    // Its end: the closing tag of the same name at the same depth.
    int depth = 1;
    std::size_t end = lowered.size();
    std::size_t scan = close;
    while ((scan = lowered.find('<', scan)) != std::string_view::npos) {
      bool shut = false;
      if (TagName(lowered, scan, shut) == name) {
        depth += shut ? -1 : 1;
        if (depth == 0) {
          end = scan;
          break;
        }
      }
      ++scan;
    }
    blocks.emplace_back(pos, end);
    pos = close;
  }
  return blocks;
}

// True when the marker that ends at `pos` is the whole text of a link.
bool EndsLinkText(std::string_view lowered, std::size_t pos) {
  while (pos < lowered.size() && (lowered[pos] == ' ' || lowered[pos] == '\t')) {
    ++pos;
  }
  return lowered.substr(pos, 3) == "</a";
}

// The end of a credit outside any footer: the next block boundary, at most kMaxCreditBytes on.
std::size_t CreditEnd(std::string_view lowered, std::size_t pos) {
  const std::size_t start = pos;
  while (pos < lowered.size() && pos - start < kMaxCreditBytes) {
    if (lowered[pos] == '<') {
      bool closing = false;
      if (IsBlockTag(TagName(lowered, pos, closing))) {
        return pos;
      }
    }
    pos += GbkCharLength(lowered, pos);
  }
  return std::min(pos, lowered.size());
}

// Where the markers begin, with their lengths.
std::vector<std::pair<std::size_t, std::size_t>> MarkerPlaces(std::string_view page,
                                                              std::string_view lowered) {
  std::vector<std::pair<std::size_t, std::size_t>> places;
  for (const std::string& m : Markers().gbk) {
    for (std::size_t at = FindGbk(page, m); at != std::string_view::npos;
         at = FindGbk(page, m, at + m.size())) {
      places.emplace_back(at, m.size());
    }
  }
  for (std::string_view m : Markers().ascii) {
    for (std::size_t at = FindGbk(lowered, m); at != std::string_view::npos;
         at = FindGbk(lowered, m, at + m.size())) {
      places.emplace_back(at, m.size());
    }
  }
  return places;
}

}  // namespace

bool HasSiteCredits(std::string_view page) {
  for (const std::string& m : Markers().gbk) {
    if (FindGbk(page, m) != std::string_view::npos) {
      return true;
    }
  }
  for (std::string_view m : Markers().ascii) {
    if (FindAsciiNoCase(page, m) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

std::string WithoutFooterBlocks(std::string_view page) {
  std::string out(page);
  for (const auto& [begin, end] : FooterBlocks(LowerBytes(page))) {
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(begin),
              out.begin() + static_cast<std::ptrdiff_t>(end), ' ');
  }
  return out;
}

std::string WithoutSiteCredits(std::string_view page) {
  std::string out(page);
  const std::string lowered = LowerBytes(page);
  const auto places = MarkerPlaces(page, lowered);
  if (places.empty()) {
    return out;
  }
  const auto footers = FooterBlocks(lowered);
  for (const auto& [at, size] : places) {
    if (EndsLinkText(lowered, at + size)) {
      continue;
    }
    std::size_t end = 0;
    for (const auto& [begin, blockEnd] : footers) {
      if (begin <= at && at < blockEnd) {
        end = std::max(end, blockEnd);
      }
    }
    if (end == 0) {
      end = CreditEnd(lowered, at + size);
    }
    for (std::size_t i = at; i < end; ++i) {
      out[i] = ' ';
    }
  }
  return out;
}

}  // namespace vlmr
