// The file formats an export can be written in, and what the save dialog shows for each.
#pragma once

#include <string_view>

namespace vlmr {

enum class TExportFormat {
  Text,   // GBK lines, fields and values separated by ","
  Excel,  // the BIFF worksheet (at most 65 536 rows), GBK cells
  Xlsx,   // an Office Open XML workbook (at most 1 048 576 rows), UTF-8 cells
  Csv,    // UTF-8 with a byte-order mark, RFC 4180 quoting
};

// The file name extension of a format, without the dot: "txt", "xls", "xlsx", "csv".
std::string_view ExportExtension(TExportFormat format);

// True for the formats whose cells are taken from the spreadsheet lines: tab-separated fields,
// multi-values joined by ", ".
inline bool UsesSheetSeparators(TExportFormat format) {
  return format != TExportFormat::Text;
}

}  // namespace vlmr
