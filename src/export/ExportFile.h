// Writing an export to the chosen file, in any of the formats: text as GBK lines each ended by
// CR LF, no byte-order mark; the BIFF worksheet through WriteWorkbook; XLSX and UTF-8 CSV row
// by row from the records, with the spreadsheet's cells (fields apart, multi-values joined by
// ", "). An existing file is replaced only once the whole export is written, so a failure
// leaves it as it was and no half file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/records/KeyUnit.h"
#include "export/CsvWriter.h"
#include "export/ExportError.h"
#include "export/ExportFields.h"
#include "export/ExportFormat.h"
#include "export/ExportLines.h"
#include "export/ExportRows.h"
#include "export/XlsxWriter.h"
#include "platform/FileIo.h"

namespace vlmr {

// True when the file was written; false, or EExportError, on a failure.
bool WriteExportLines(const std::string& fileName, const std::vector<std::string>& lines,
                      bool textFormat);

// The XLSX export of `companies` (a range of pointers to records), the sheet named after
// `keyword` (GBK). More rows than a sheet holds raise EExportError before any file is made.
template <class TCompanies>
bool WriteXlsxExport(const TCompanies& companies, const std::string& fileName,
                     const TExportFields& fields, std::string_view keyword) {
  TExportRows rows(fields, kSheetFieldSeparator, kSheetValueSeparator);
  if (rows.RowsExceed(companies, TXlsxWriter::kMaxRows)) {
    throw EExportError("more rows than a sheet holds");
  }
  return ReplaceFileBy(fileName, [&](int, const std::string& tempPath) {
    TXlsxWriter sheet(tempPath, TXlsxWriter::SheetName(keyword));
    bool header = !rows.Header().empty();
    rows.ForEachRowOf(companies, [&](TExportRows::TCells cells) {
      if (header) {
        sheet.AddHeader(cells);
        header = false;
      } else {
        sheet.AddRow(cells);
      }
    });
    sheet.Close();
    return true;
  });
}

// The UTF-8 CSV export of `companies`.
template <class TCompanies>
bool WriteCsvExport(const TCompanies& companies, const std::string& fileName,
                    const TExportFields& fields) {
  TExportRows rows(fields, kSheetFieldSeparator, kSheetValueSeparator);
  return ReplaceFileBy(fileName, [&](int fd, const std::string&) {
    TCsvWriter csv(fd);
    rows.ForEachRowOf(companies, [&](TExportRows::TCells cells) { csv.AddRow(cells); });
    csv.Flush();
    return true;
  });
}

// Builds and writes an export of `companies` in `format`; `keyword` (GBK) names the XLSX sheet.
template <class TCompanies>
bool WriteExport(const TCompanies& companies, const std::string& fileName,
                 const TExportFields& fields, TExportFormat format, std::string_view keyword) {
  switch (format) {
    case TExportFormat::Xlsx:
      return WriteXlsxExport(companies, fileName, fields, keyword);
    case TExportFormat::Csv:
      return WriteCsvExport(companies, fileName, fields);
    case TExportFormat::Text:
    case TExportFormat::Excel:
      break;
  }
  const bool text = format == TExportFormat::Text;
  return WriteExportLines(fileName, BuildExportLines(companies, fields, text), text);
}

}  // namespace vlmr
