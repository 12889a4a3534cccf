#include "platform/ProfileFile.h"

#include <climits>
#include <functional>
#include <mutex>
#include <optional>

#include "platform/FileIo.h"
#include "platform/ProfileText.h"

namespace vlmr {
namespace {

// Settings files are small; a larger file is taken as unreadable rather than loaded whole.
constexpr std::size_t kMaxProfileBytes = 16u << 20;

// Writes within the process are serialised, so that two edits of one file never lose each
// other's change (each reads, edits and replaces the whole file).
std::mutex& WriteMutex() {
  static std::mutex m;
  return m;
}

std::optional<TProfileText> Load(const std::string& path, bool missingIsEmpty) {
  std::string bytes;
  switch (ReadWholeFile(path, kMaxProfileBytes, bytes)) {
    case TFileRead::Read:
      return TProfileText(bytes);
    case TFileRead::Missing:
      if (missingIsEmpty)
        return TProfileText({});
      return std::nullopt;
    case TFileRead::Failed:
      break;
  }
  return std::nullopt;
}

std::optional<std::string> Lookup(const std::string& path, std::string_view section,
                                  std::string_view key) {
  auto text = Load(path, false);
  if (!text) {
    return std::nullopt;
  }
  return text->Find(section, key);
}

// Decimal digits with an optional sign at the start of `value`; nothing when there are none
// or the number does not fit.
std::optional<int> LeadingInteger(std::string_view value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
    negative = value[i] == '-';
    ++i;
  }
  long long number = 0;
  std::size_t digits = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i, ++digits) {
    number = number * 10 + (value[i] - '0');
    if (number > static_cast<long long>(INT_MAX) + 1) {
      return std::nullopt;
    }
  }
  if (digits == 0) {
    return std::nullopt;
  }
  number = negative ? -number : number;
  if (number > INT_MAX || number < INT_MIN) {
    return std::nullopt;
  }
  return static_cast<int>(number);
}

}  // namespace

std::string TProfileFile::ReadString(std::string_view section, std::string_view key,
                                     std::string_view defaultValue) const {
  auto value = Lookup(path_, section, key);
  return value ? *value : std::string(defaultValue);
}

int TProfileFile::ReadInteger(std::string_view section, std::string_view key,
                              int defaultValue) const {
  auto value = Lookup(path_, section, key);
  if (!value) {
    return defaultValue;
  }
  return LeadingInteger(*value).value_or(defaultValue);
}

bool TProfileFile::ReadBool(std::string_view section, std::string_view key,
                            bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool TProfileFile::WriteString(std::string_view section, std::string_view key,
                               std::string_view value) {
  if (!TProfileText::IsValidSectionName(section) || !TProfileText::IsValidKeyName(key) ||
      !TProfileText::IsValidValue(value)) {
    return false;
  }
  std::lock_guard lock(WriteMutex());
  auto text = Load(path_, true);
  if (!text) {
    return false;  // an unreadable file is never replaced: its content would be lost
  }
  std::string before = text->Render();
  text->Set(section, key, value);
  std::string after = text->Render();
  return after == before || ReplaceFile(path_, after);
}

bool TProfileFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool TProfileFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

namespace {

// Removes something from the file: a missing file has nothing to remove, an unreadable one is
// never replaced, and the file is rewritten only when `remove` took something out.
bool RemoveFromFile(const std::string& path, const std::function<bool(TProfileText&)>& remove) {
  std::lock_guard lock(WriteMutex());
  std::string bytes;
  TFileRead read = ReadWholeFile(path, kMaxProfileBytes, bytes);
  if (read == TFileRead::Missing) {
    return true;
  }
  if (read == TFileRead::Failed) {
    return false;
  }
  TProfileText text(bytes);
  return !remove(text) || ReplaceFile(path, text.Render());
}

}  // namespace

bool TProfileFile::DeleteKey(std::string_view section, std::string_view key) {
  return RemoveFromFile(path_, [&](TProfileText& text) { return text.Remove(section, key); });
}

bool TProfileFile::EraseSection(std::string_view section) {
  return RemoveFromFile(path_, [&](TProfileText& text) { return text.RemoveSection(section); });
}

std::vector<std::string> TProfileFile::ReadSection(std::string_view section) const {
  auto text = Load(path_, false);
  return text ? text->Keys(section) : std::vector<std::string>{};
}

}  // namespace vlmr
