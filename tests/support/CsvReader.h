// Splits CSV text (RFC 4180: comma-separated, fields in double quotes may hold commas, doubled
// quotes and line breaks) into records of fields, for checking what other programs write.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vlmr::test {

inline std::vector<std::vector<std::string>> ParseCsv(std::string_view text) {
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> record;
  std::string field;
  bool quoted = false;
  bool any = false;  // something of the current record was read
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
      any = true;
    } else if (c == ',') {
      record.push_back(std::move(field));
      field.clear();
      any = true;
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
        ++i;
      record.push_back(std::move(field));
      field.clear();
      records.push_back(std::move(record));
      record.clear();
      any = false;
    } else {
      field += c;
      any = true;
    }
  }
  if (any || !field.empty()) {
    record.push_back(std::move(field));
    records.push_back(std::move(record));
  }
  return records;
}

}  // namespace vlmr::test
