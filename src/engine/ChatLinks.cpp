#include "engine/ChatLinks.h"

#include "base/Text.h"
#include "engine/PageText.h"

namespace vlmr {
namespace {

constexpr std::size_t kMaxLinkBytes = 512;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The link address that holds `pos`: back to the quote, "=", "(", "<" or blank before it.
std::string_view LinkAround(std::string_view page, std::size_t pos) {
  std::size_t begin = pos;
  while (begin > 0 && pos - begin < kMaxLinkBytes) {
    const char c = page[begin - 1];
    if (c == '"' || c == '\'' || c == '(' || c == '<' || c == ' ' || c == '\t' || c == '\r' ||
        c == '\n') {
      break;
    }
    --begin;
  }
  return page.substr(begin, pos - begin);
}

bool IsChatLink(std::string_view link) {
  for (const char* sign : {"tencent://", "qq.com", "mqqwpa://"}) {
    if (FindAsciiNoCase(link, sign) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

// The digits at `pos` when they are 5 to 11 and end there.
std::string NumberAt(std::string_view text, std::size_t pos) {
  std::size_t end = pos;
  while (end < text.size() && IsDigit(text[end])) {
    ++end;
  }
  const std::size_t n = end - pos;
  return n >= 5 && n <= 11 ? std::string(text.substr(pos, n)) : std::string();
}

}  // namespace

std::vector<std::string> QqNumbersOfChatLinks(std::string_view page) {
  std::vector<std::string> found;
  if (FindAsciiNoCase(page, "qq") == std::string_view::npos &&
      FindAsciiNoCase(page, "tencent") == std::string_view::npos) {
    return found;
  }
  for (const std::string_view key :
       {std::string_view("uin="), std::string_view("p=2:"), std::string_view("p=1:")}) {
    std::size_t pos = 0;
    while ((pos = FindAsciiNoCase(page, key, pos)) != std::string_view::npos) {
      const std::size_t at = pos;
      pos += key.size();
      // A parameter: after "?", "&" or ";" (of "&amp;"), or "uin" as the first thing.
      if (at > 0 && page[at - 1] != '?' && page[at - 1] != '&' && page[at - 1] != ';') {
        continue;
      }
      if (!IsChatLink(LinkAround(page, at))) {
        continue;
      }
      if (std::string number = NumberAt(page, pos); !number.empty()) {
        found.push_back(std::move(number));
      }
    }
  }
  return found;
}

}  // namespace vlmr
