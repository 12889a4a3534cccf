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
std::string_view LinkAround(std::string_view lowered, std::size_t pos) {
  std::size_t begin = pos;
  while (begin > 0 && pos - begin < kMaxLinkBytes) {
    const char c = lowered[begin - 1];
    if (c == '"' || c == '\'' || c == '(' || c == '<' || c == ' ' || c == '\t' || c == '\r' ||
        c == '\n') {
      break;
    }
    --begin;
  }
  return lowered.substr(begin, pos - begin);
}

bool IsChatLink(std::string_view link) {
  for (const char* sign : {"tencent://", "qq.com", "mqqwpa://"}) {
    if (link.find(sign) != std::string_view::npos) {
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
  const std::string lowered = LowerBytes(page);
  if (lowered.find("qq") == std::string::npos && lowered.find("tencent") == std::string::npos) {
    return found;
  }
  for (const std::string_view key :
       {std::string_view("uin="), std::string_view("p=2:"), std::string_view("p=1:")}) {
    std::size_t pos = 0;
    while ((pos = lowered.find(key, pos)) != std::string::npos) {
      const std::size_t at = pos;
      pos += key.size();
      // A parameter: after "?", "&" or ";" (of "&amp;"), or "uin" as the first thing.
      if (at > 0 && lowered[at - 1] != '?' && lowered[at - 1] != '&' && lowered[at - 1] != ';') {
        continue;
      }
      if (!IsChatLink(LinkAround(lowered, at))) {
        continue;
      }
      if (std::string number = NumberAt(lowered, pos); !number.empty()) {
        found.push_back(std::move(number));
      }
    }
  }
  return found;
}

}  // namespace vlmr
