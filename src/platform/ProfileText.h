// The text of an INI file, read and edited in memory with the rules of the Windows profile
// functions. Lines the edits do not touch keep their bytes and their line ends.
//
// A section starts at a line "[name]" (leading blanks allowed; a missing "]" ends the name at
// the end of the line). A key line is "key=value" inside a section; lines starting with ";"
// are comments. Names are compared without regard to ASCII letter case; when a section or a
// key occurs twice, the first one counts.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vlmr {

class TProfileText {
 public:
  explicit TProfileText(std::string_view bytes);

  // The value trimmed, with one pair of surrounding double or single quotes removed.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  // Key names of the section, in file order.
  std::vector<std::string> Keys(std::string_view section) const;

  // Sets the key, adding it (after the section's last key) or the section (at the end) when
  // missing. The caller checks the names and the value (see IsValidName, IsValidValue).
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // True when something was removed.
  bool Remove(std::string_view section, std::string_view key);
  bool RemoveSection(std::string_view section);

  std::string Render() const;

  // Names that read back as written: not empty, no line break, no "]" in a section name, and
  // a key name that has no "=" and does not start like a comment or a section.
  static bool IsValidSectionName(std::string_view name);
  static bool IsValidKeyName(std::string_view name);
  // A value must not break the line.
  static bool IsValidValue(std::string_view value);

 private:
  struct TLine {
    std::string text;
    std::string end;  // "\r\n", "\n" or "" (the last line)
  };
  struct TRange {
    std::size_t header;  // index of the "[name]" line
    std::size_t end;     // one past the section's last line
  };

  std::optional<TRange> FindSection(std::string_view section, std::size_t from = 0) const;
  std::optional<std::size_t> FindKey(const TRange& range, std::string_view key) const;

  std::string bom_;
  std::vector<TLine> lines_;
  std::string newline_ = "\r\n";
};

}  // namespace vlmr
