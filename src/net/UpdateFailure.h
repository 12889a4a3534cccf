// The record of a failed update, "update-failed.txt" in the program's folder (GBK key=value
// lines: version, date, reason, shown). The updater writes it when it installs nothing; the
// program writes it when it refuses a downloaded package. The program shows an unshown record
// once at its next start ("升级失败：…，已恢复原版本") and does not take the same version
// again on the same day.
#pragma once

#include <optional>
#include <string>

namespace vlmr {

struct TUpdateFailure {
  std::string version;  // the version that failed; may be empty when unknown
  std::string date;     // local date "YYYY-MM-DD" of the failure
  std::string reason;   // GBK, shown to the user
  bool shown = false;
};

// `folder` ends with the path delimiter or not; both are accepted.
std::optional<TUpdateFailure> ReadUpdateFailure(const std::string& folder);
// Replaces the record in one step (a temporary file renamed over it).
bool WriteUpdateFailure(const std::string& folder, const TUpdateFailure& failure);

// The local date "YYYY-MM-DD" of now.
std::string TodayText();

// True when the record names `version` and `today`.
bool FailedOn(const std::string& folder, const std::string& version, const std::string& today);

// The message of an unshown record (GBK), which is marked shown; nothing otherwise.
std::optional<std::string> TakeUpdateFailureMessage(const std::string& folder);
// "升级失败：" + reason + "，已恢复原版本" in GBK; `reason` is GBK.
std::string UpdateFailureMessage(const std::string& reason);

}  // namespace vlmr
