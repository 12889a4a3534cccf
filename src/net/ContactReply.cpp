#include "net/ContactReply.h"

namespace vlmr {
namespace {

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

// The rules of a delimited list: leading blanks are skipped; an item ends at the delimiter or
// at a blank; after an item, blanks are skipped and one delimiter is taken. An empty text
// gives no item at all.
std::vector<std::string> SplitContactReply(std::string_view text) {
  std::vector<std::string> items;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && IsBlank(text[i]))
    ++i;
  while (i < n) {
    std::string item;
    if (text[i] == '"') {
      ++i;
      while (i < n) {
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            item += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item += text[i++];
      }
      // Text right after the closing quote belongs to the item until a separator.
      while (i < n && text[i] != '|' && !IsBlank(text[i]))
        item += text[i++];
    } else {
      while (i < n && text[i] != '|' && !IsBlank(text[i]))
        item += text[i++];
    }
    items.push_back(std::move(item));
    while (i < n && IsBlank(text[i]))
      ++i;
    if (i < n && text[i] == '|') {
      ++i;
      while (i < n && IsBlank(text[i]))
        ++i;
      if (i == n)
        items.emplace_back();  // a delimiter at the end leaves an empty last item
    }
  }
  return items;
}

}  // namespace vlmr
