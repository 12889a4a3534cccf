// The lines of an export: one per company (or, with one multi-valued field chosen, one per
// value), cells joined by the format's field separator ("," for text, a tab for the
// spreadsheet), with a header line of captions when two or more fields are chosen. GBK.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/records/KeyUnit.h"
#include "export/ExportFields.h"
#include "export/ExportFormat.h"
#include "export/ExportRows.h"

namespace vlmr {

// Separators of the two formats.
inline constexpr std::string_view kTextFieldSeparator = ",";
inline constexpr std::string_view kTextValueSeparator = ",";
inline constexpr std::string_view kSheetFieldSeparator = "\t";
inline constexpr std::string_view kSheetValueSeparator = ", ";

// Builds the lines company by company, in the order they are added.
class TExportLineBuilder {
 public:
  TExportLineBuilder(const TExportFields& fields, bool textFormat);

  void Add(const TComPanyInfo& company);
  std::vector<std::string> TakeLines() { return std::move(lines_); }

 private:
  std::string Join(TExportRows::TCells cells) const;

  TExportRows rows_;
  std::string_view fieldSeparator_;
  std::vector<std::string> lines_;
};

// Every line of an export of `companies` (a range of pointers or shared pointers to records).
template <class TCompanies>
std::vector<std::string> BuildExportLines(const TCompanies& companies, const TExportFields& fields,
                                          bool textFormat) {
  TExportLineBuilder builder(fields, textFormat);
  for (const auto& company : companies) {
    builder.Add(*company);
  }
  return builder.TakeLines();
}

// Every line followed by CR LF: the text file's content and the clipboard's export text.
std::string JoinExportLines(const std::vector<std::string>& lines);

// The file name the save dialog proposes: the keyword with every character that no file name
// may hold (control characters, / \ : * ? " < > |) made "_", then the format's extension.
// GBK, double-byte aware: a second byte that looks like "\" or "|" is part of its character.
std::string ProposedExportFileName(std::string_view keyword, TExportFormat format);

}  // namespace vlmr
