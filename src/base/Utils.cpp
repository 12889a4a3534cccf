#include "base/Utils.h"

#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <vector>

#include "base/Guarded.h"
#include "base/Text.h"

namespace vlmr {
namespace {

TGuarded<std::string>& FolderOverride() {
  static TGuarded<std::string> folder;
  return folder;
}

// Last character's start position, multi-byte aware.
std::size_t LastCharStart(std::string_view text) {
  std::size_t last = std::string_view::npos;
  for (std::size_t i = 0; i < text.size(); i += GbkCharLength(text, i)) {
    last = i;
  }
  return last;
}

std::vector<std::string_view> SplitDots(std::string_view text) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    std::size_t dot = text.find('.', start);
    parts.push_back(text.substr(start, dot == std::string_view::npos ? dot : dot - start));
    if (dot == std::string_view::npos)
      break;
    start = dot + 1;
  }
  return parts;
}

long long PartValue(std::string_view part) {
  std::string t = Trim(part);
  if (t.empty())
    return 0;
  std::size_t i = 0;
  bool negative = false;
  if (t[0] == '-' || t[0] == '+') {
    negative = t[0] == '-';
    i = 1;
  }
  if (i == t.size())
    return 0;
  long long value = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9')
      return 0;
    if (value > (LLONG_MAX - 9) / 10)
      return 0;  // out of range is not a number
    value = value * 10 + (t[i] - '0');
  }
  return negative ? -value : value;
}

}  // namespace

std::string IncludeTrailingDelimiter(std::string_view path, char delim) {
  std::string p(path);
  if (Trim(p).empty()) {
    return p;
  }
  std::size_t last = delim == '\\' ? LastCharStart(p) : p.size() - 1;
  bool endsWithDelim = last == p.size() - 1 && p[last] == delim;
  if (!endsWithDelim) {
    p.push_back(delim);
  }
  return p;
}

std::string IncludeBackslash(std::string_view path) {
  return IncludeTrailingDelimiter(path, kPathDelim);
}

std::string ExePath() {
  char buffer[PATH_MAX + 1];
  ssize_t n = readlink("/proc/self/exe", buffer, PATH_MAX);
  if (n <= 0) {
    return {};
  }
  return std::string(buffer, static_cast<std::size_t>(n));
}

std::string AppFolder() {
  if (std::string folder = FolderOverride().Get(); !folder.empty()) {
    return IncludeBackslash(folder);
  }
  std::string exe = ExePath();
  std::size_t slash = exe.rfind(kPathDelim);
  return IncludeBackslash(slash == std::string::npos ? std::string() : exe.substr(0, slash));
}

std::string ExeFileName() {
  return TextAfterLast(ExePath(), kPathDelim, ExePath());
}

void SetAppFolderOverride(std::string_view folder) {
  FolderOverride().Set(std::string(folder));
}

std::string TextBeforeLast(std::string_view text, char c) {
  std::size_t pos = text.rfind(c);
  return std::string(pos == std::string_view::npos ? text : text.substr(0, pos));
}

std::string TextAfterLast(std::string_view text, char c, std::string_view fallback) {
  std::size_t pos = text.rfind(c);
  return std::string(pos == std::string_view::npos ? fallback : text.substr(pos + 1));
}

std::string ShortenText(std::string_view text, int limit) {
  if (text.empty() || limit < 0 || text.size() <= static_cast<std::size_t>(limit)) {
    return std::string(text);
  }
  std::size_t keep = static_cast<std::size_t>(limit);
  // Byte `limit` counted from 1 is text[limit - 1].
  if (keep > 0 && !IsGbkTrailPosition(text, keep - 1) && IsGbkLeadByte(text[keep - 1])) {
    --keep;
  }
  return std::string(text.substr(0, keep)) + "...";
}

std::string& AppendWithSeparator(std::string& accumulator, std::string_view item,
                                 std::string_view separator) {
  if (accumulator.empty()) {
    accumulator = std::string(item);
  } else {
    accumulator.append(separator);
    accumulator.append(item);
  }
  return accumulator;
}

std::string UrlEncode(std::string_view text, bool plusForSpace) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (c == ' ') {
      out += plusForSpace ? "+" : "%20";
    } else if (c == '-' || c == '.' || c == '/' || (c >= '0' && c <= ':') ||
               (c >= 'A' && c <= 'Z') || c == '_' || (c >= 'a' && c <= 'z')) {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 15]);
    }
  }
  return out;
}

bool IsNewerVersion(std::string_view candidate, std::string_view installed) {
  auto a = SplitDots(candidate);
  auto b = SplitDots(installed);
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    long long x = PartValue(a[i]), y = PartValue(b[i]);
    if (x > y)
      return true;
    if (x < y)
      return false;
  }
  return false;
}

std::string FormatStoredTime(long long seconds) {
  using namespace std::chrono;
  long long days = seconds / 86400;
  long long rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  const year_month_day date{sys_days{std::chrono::days{days}}};
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02lld:%02lld:%02lld",
                static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), rest / 3600, rest / 60 % 60, rest % 60);
  return text;
}

}  // namespace vlmr
