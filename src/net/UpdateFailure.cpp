#include "net/UpdateFailure.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "base/Text.h"

namespace vlmr {
namespace {

namespace fs = std::filesystem;

fs::path RecordPath(const std::string& folder) {
  return fs::path(folder) / "update-failed.txt";
}

// Line breaks would end the value early; a reason is one line.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n')
      c = ' ';
  }
  return text;
}

}  // namespace

std::optional<TUpdateFailure> ReadUpdateFailure(const std::string& folder) {
  std::ifstream in(RecordPath(folder), std::ios::binary);
  if (!in.is_open())
    return std::nullopt;
  TUpdateFailure f;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    std::size_t eq = line.find('=');
    if (eq == std::string::npos)
      continue;
    std::string key = line.substr(0, eq);
    std::string value = line.substr(eq + 1);
    if (key == "version")
      f.version = value;
    else if (key == "date")
      f.date = value;
    else if (key == "reason")
      f.reason = value;
    else if (key == "shown")
      f.shown = value == "1";
  }
  return f;
}

bool WriteUpdateFailure(const std::string& folder, const TUpdateFailure& failure) {
  fs::path target = RecordPath(folder);
  fs::path temp = target;
  temp += ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out.is_open())
      return false;
    out << "version=" << OneLine(failure.version) << "\r\ndate=" << OneLine(failure.date)
        << "\r\nreason=" << OneLine(failure.reason) << "\r\nshown=" << (failure.shown ? "1" : "0")
        << "\r\n";
    out.close();
    if (out.fail())
      return false;
  }
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (ec) {
    fs::remove(temp, ec);
    return false;
  }
  return true;
}

std::string TodayText() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

bool FailedOn(const std::string& folder, const std::string& version, const std::string& today) {
  std::optional<TUpdateFailure> f = ReadUpdateFailure(folder);
  return f && !version.empty() && f->version == version && f->date == today;
}

std::optional<std::string> TakeUpdateFailureMessage(const std::string& folder) {
  std::optional<TUpdateFailure> f = ReadUpdateFailure(folder);
  if (!f || f->shown)
    return std::nullopt;
  f->shown = true;
  if (!WriteUpdateFailure(folder, *f)) {
    // Shown at most once: a record that cannot be marked goes.
    std::error_code ec;
    fs::remove(RecordPath(folder), ec);
  }
  return UpdateFailureMessage(f->reason);
}

std::string UpdateFailureMessage(const std::string& reason) {
  return Utf8ToGbk("升级失败：") + reason + Utf8ToGbk("，已恢复原版本");
}

}  // namespace vlmr
