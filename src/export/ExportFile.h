// Writing an export's lines to the chosen file: text as GBK lines each ended by CR LF, no
// byte-order mark; the spreadsheet through WriteWorkbook. An existing file is replaced only
// once the whole export is written, so a failure leaves it as it was and no half file.
#pragma once

#include <string>
#include <vector>

#include "engine/records/KeyUnit.h"
#include "export/ExportFields.h"
#include "export/ExportLines.h"

namespace vlmr {

// True when the file was written; false, or EExportError, on a failure.
bool WriteExportLines(const std::string& fileName, const std::vector<std::string>& lines,
                      bool textFormat);

// Builds and writes an export of `companies` (a range of pointers to records).
template <class TCompanies>
bool WriteExport(const TCompanies& companies, const std::string& fileName,
                 const TExportFields& fields, bool textFormat) {
  return WriteExportLines(fileName, BuildExportLines(companies, fields, textFormat), textFormat);
}

}  // namespace vlmr
