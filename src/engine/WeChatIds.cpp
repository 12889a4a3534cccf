#include "engine/WeChatIds.h"

#include <algorithm>
#include <array>

#include "base/Text.h"

namespace vlmr {
namespace {

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsIdChar(char c) {
  return IsAsciiLetter(c) || IsDigit(c) || c == '_' || c == '-';
}

struct TLabels {
  std::vector<std::string> labels;   // GBK, longest first where one begins another
  std::vector<std::string> same;     // "同手机号", "同手机", "同号"
  std::vector<std::string> skipped;  // separators between a label and its ID
  std::string account;               // "公众号"
};

const TLabels& Labels() {
  static const TLabels labels = [] {
    TLabels l;
    for (const char* text : {"微信号码", "微信号", "微信", "wechat", "weixin"}) {
      l.labels.push_back(Utf8ToGbk(text));
    }
    for (const char* text : {"同手机号", "同手机", "同号"}) {
      l.same.push_back(Utf8ToGbk(text));
    }
    for (const char* text : {"：", ":", " ", "\t", "　", "/", "&nbsp;", "(", ")", "（", "）"}) {
      l.skipped.push_back(Utf8ToGbk(text));
    }
    l.account = Utf8ToGbk("公众号");
    return l;
  }();
  return labels;
}

// The ID that starts at `at`, or empty.
std::string IdAt(std::string_view text, std::size_t at) {
  std::size_t end = at;
  while (end < text.size() && IsIdChar(text[end])) {
    ++end;
  }
  std::string_view id = text.substr(at, end - at);
  if (id.empty()) {
    return {};
  }
  if (std::all_of(id.begin(), id.end(), IsDigit)) {
    return id.size() >= 5 && id.size() <= 11 ? std::string(id) : std::string();
  }
  if (IsAsciiLetter(id[0]) && id.size() >= 6 && id.size() <= 20) {
    return std::string(id);
  }
  return {};
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when `text` begins with `prefix`, ASCII letters in any case.
bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) {
    return false;
  }
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(text[i]) != Lower(prefix[i])) {
      return false;
    }
  }
  return true;
}

// The length of the label at `at`, or 0.
std::size_t LabelAt(std::string_view text, std::size_t at) {
  for (const auto& label : Labels().labels) {
    if (StartsWithNoCase(text.substr(at), label)) {
      return label.size();
    }
  }
  return 0;
}

}  // namespace

std::vector<std::string> WeChatIds(std::string_view text) {
  const TLabels& labels = Labels();
  std::vector<std::string> ids;
  auto add = [&ids](std::string id) {
    if (!id.empty() && std::find(ids.begin(), ids.end(), id) == ids.end()) {
      ids.push_back(std::move(id));
    }
  };
  std::size_t at = 0;
  while (at < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[at]);
    const std::size_t label = LabelAt(text, at);
    if (label == 0) {
      at += c >= 0x81 && at + 1 < text.size() ? 2 : 1;  // whole GBK characters
      continue;
    }
    std::size_t pos = at + label;
    // A Latin label inside a longer word ("mywechat") is none.
    if (IsAsciiLetter(text[at]) && at > 0 && IsIdChar(text[at - 1])) {
      at = pos;
      continue;
    }
    std::string_view rest = text.substr(pos);
    if (rest.starts_with(labels.account)) {
      at = pos;
      continue;
    }
    if (std::any_of(labels.same.begin(), labels.same.end(),
                    [&](const std::string& s) { return rest.starts_with(s); })) {
      add(std::string(kSameAsMobile));
      at = pos;
      continue;
    }
    auto skipSeparators = [&] {
      for (bool skipped = true; skipped && pos < text.size();) {
        skipped = false;
        for (const auto& separator : labels.skipped) {
          if (StartsWithNoCase(text.substr(pos), separator)) {
            pos += separator.size();
            skipped = true;
            break;
          }
        }
      }
    };
    skipSeparators();
    // "微信ID：", "WeChat id:"
    if (StartsWithNoCase(text.substr(pos), "id") &&
        (pos + 2 == text.size() || !IsIdChar(text[pos + 2]))) {
      pos += 2;
      skipSeparators();
    }
    add(IdAt(text, pos));
    at = pos;
  }
  return ids;
}

}  // namespace vlmr
