#include "platform/ProfileText.h"

#include "base/Text.h"

namespace vlmr {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view SkipBlanks(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && static_cast<unsigned char>(line[i]) <= ' ') {
    ++i;
  }
  return line.substr(i);
}

// The section name of a header line.
std::optional<std::string> SectionName(std::string_view line) {
  line = SkipBlanks(line);
  if (line.empty() || line.front() != '[') {
    return std::nullopt;
  }
  line.remove_prefix(1);
  std::size_t close = line.find(']');
  return Trim(close == std::string_view::npos ? line : line.substr(0, close));
}

struct TKeyLine {
  std::string key;
  std::string_view rawValue;
};

std::optional<TKeyLine> KeyLine(std::string_view line) {
  line = SkipBlanks(line);
  if (line.empty() || line.front() == ';' || line.front() == '[') {
    return std::nullopt;
  }
  std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) {
    return std::nullopt;
  }
  std::string key = Trim(line.substr(0, eq));
  if (key.empty()) {
    return std::nullopt;
  }
  return TKeyLine{std::move(key), line.substr(eq + 1)};
}

std::string CleanValue(std::string_view raw) {
  std::string value = Trim(raw);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

TProfileText::TProfileText(std::string_view bytes) {
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    bom_ = std::string(kUtf8Bom);
    bytes.remove_prefix(kUtf8Bom.size());
  }
  bool newlineKnown = false;
  while (!bytes.empty()) {
    std::size_t lf = bytes.find('\n');
    TLine line;
    if (lf == std::string_view::npos) {
      line.text = std::string(bytes);
      bytes = {};
    } else {
      std::size_t textEnd = lf > 0 && bytes[lf - 1] == '\r' ? lf - 1 : lf;
      line.text = std::string(bytes.substr(0, textEnd));
      line.end = std::string(bytes.substr(textEnd, lf + 1 - textEnd));
      bytes.remove_prefix(lf + 1);
      if (!newlineKnown) {
        newline_ = line.end;
        newlineKnown = true;
      }
    }
    lines_.push_back(std::move(line));
  }
}

std::optional<TProfileText::TRange> TProfileText::FindSection(std::string_view section,
                                                              std::size_t from) const {
  for (std::size_t i = from; i < lines_.size(); ++i) {
    auto name = SectionName(lines_[i].text);
    if (!name || !SameText(*name, Trim(section))) {
      continue;
    }
    std::size_t end = i + 1;
    while (end < lines_.size() && !SectionName(lines_[end].text)) {
      ++end;
    }
    return TRange{i, end};
  }
  return std::nullopt;
}

std::optional<std::size_t> TProfileText::FindKey(const TRange& range, std::string_view key) const {
  for (std::size_t i = range.header + 1; i < range.end; ++i) {
    auto line = KeyLine(lines_[i].text);
    if (line && SameText(line->key, Trim(key))) {
      return i;
    }
  }
  return std::nullopt;
}

std::optional<std::string> TProfileText::Find(std::string_view section,
                                              std::string_view key) const {
  auto range = FindSection(section);
  if (!range) {
    return std::nullopt;
  }
  auto index = FindKey(*range, key);
  if (!index) {
    return std::nullopt;
  }
  return CleanValue(KeyLine(lines_[*index].text)->rawValue);
}

std::vector<std::string> TProfileText::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  if (auto range = FindSection(section)) {
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
      if (auto line = KeyLine(lines_[i].text)) {
        keys.push_back(std::move(line->key));
      }
    }
  }
  return keys;
}

void TProfileText::Set(std::string_view section, std::string_view key, std::string_view value) {
  auto range = FindSection(section);
  if (range) {
    if (auto index = FindKey(*range, key)) {
      // The key keeps the spelling it has in the file.
      std::string name = KeyLine(lines_[*index].text)->key;
      lines_[*index].text = name + "=" + std::string(value);
      return;
    }
  }
  std::size_t at = lines_.size();
  std::vector<TLine> added;
  if (range) {
    at = range->header + 1;
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
      if (KeyLine(lines_[i].text)) {
        at = i + 1;
      }
    }
  } else {
    added.push_back({"[" + std::string(section) + "]", newline_});
  }
  added.push_back({std::string(key) + "=" + std::string(value), newline_});
  if (at > 0 && lines_[at - 1].end.empty()) {
    lines_[at - 1].end = newline_;  // the old last line had no line end
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
}

bool TProfileText::Remove(std::string_view section, std::string_view key) {
  auto range = FindSection(section);
  if (!range) {
    return false;
  }
  auto index = FindKey(*range, key);
  if (!index) {
    return false;
  }
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*index));
  return true;
}

bool TProfileText::RemoveSection(std::string_view section) {
  bool removed = false;
  while (auto range = FindSection(section)) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(range->end));
    removed = true;
  }
  return removed;
}

std::string TProfileText::Render() const {
  std::string out = bom_;
  for (const TLine& line : lines_) {
    out += line.text;
    out += line.end;
  }
  return out;
}

bool TProfileText::IsValidSectionName(std::string_view name) {
  return !Trim(name).empty() && !HasLineBreak(name) && name.find(']') == std::string_view::npos;
}

bool TProfileText::IsValidKeyName(std::string_view name) {
  std::string trimmed = Trim(name);
  return !trimmed.empty() && !HasLineBreak(name) && name.find('=') == std::string_view::npos &&
         trimmed.front() != ';' && trimmed.front() != '[';
}

bool TProfileText::IsValidValue(std::string_view value) {
  return !HasLineBreak(value);
}

}  // namespace vlmr
