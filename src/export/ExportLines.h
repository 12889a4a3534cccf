// The lines of an export: one per company (or, with one multi-valued field chosen, one per
// value), cells joined by the format's field separator ("," for text, a tab for the
// spreadsheet), with a header line of captions when two or more fields are chosen. GBK.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/StringList.h"
#include "engine/records/KeyUnit.h"
#include "export/ExportFields.h"

namespace vlmr {

// Separators of the two formats.
inline constexpr std::string_view kTextFieldSeparator = ",";
inline constexpr std::string_view kTextValueSeparator = ",";
inline constexpr std::string_view kSheetFieldSeparator = "\t";
inline constexpr std::string_view kSheetValueSeparator = ", ";

// Trims bytes <= ' ' at both ends, then deletes every LF, every CR and every field separator.
std::string CleanSingleValue(std::string_view value, std::string_view fieldSeparator);

// The list's text form (each value followed by CR LF), trimmed, each LF replaced by the value
// separator, CRs deleted, and the field separator deleted when it differs from the value
// separator.
std::string CleanMultiValue(const TUniqueStringList& list, std::string_view fieldSeparator,
                            std::string_view valueSeparator);

// Builds the lines company by company, in the order they are added.
class TExportLineBuilder {
 public:
  TExportLineBuilder(const TExportFields& fields, bool textFormat);

  void Add(const TComPanyInfo& company);
  std::vector<std::string> TakeLines() { return std::move(lines_); }

 private:
  enum TField { COMPANY, MOBILE, QQ, EMAIL, ADDRESS, WEBURL };
  std::string CleanedValue(const TComPanyInfo& company, TField field) const;

  std::vector<TField> chosen_;  // in column order
  std::string_view fieldSeparator_;
  std::string_view valueSeparator_;
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
// may hold (control characters, / \ : * ? " < > |) made "_", then ".txt" or ".xls". GBK,
// double-byte aware: a second byte that looks like "\" or "|" is part of its character.
std::string ProposedExportFileName(std::string_view keyword, bool textFormat);

}  // namespace vlmr
