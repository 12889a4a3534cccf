// INI files with the behaviour of the Windows profile functions: sections and keys are found
// without regard to letter case, values are read trimmed (one pair of surrounding quotes
// removed), integers read with a default, strings written exactly as given, and the file is
// created on the first write. Texts are bytes (GBK in this program). Every call reads the file
// anew and every write rewrites it, so two objects on one file always agree.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vlmr {

class TProfileFile {
 public:
  explicit TProfileFile(std::string path) : path_(std::move(path)) {}

  const std::string& Path() const { return path_; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  // Decimal (optionally signed) digits at the start of the value; `defaultValue` when the key
  // is missing, the default also when the value does not start with a number.
  int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

  // False when the file cannot be written.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view key, int value);
  bool WriteBool(std::string_view section, std::string_view key, bool value);  // 1 or 0

  bool DeleteKey(std::string_view section, std::string_view key);
  bool EraseSection(std::string_view section);
  std::vector<std::string> ReadSection(std::string_view section) const;  // key names

 private:
  std::string path_;
};

}  // namespace vlmr
