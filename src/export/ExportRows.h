// The cells of an export, row by row: the chosen fields in the fixed column order (company,
// mobile, QQ, e-mail, address, web address, WeChat), each value cleaned for the format's
// separators.
//
// Two or more fields give a header row of captions and one row per company (none when every
// cell is empty). One single-valued field gives a row per company holding its cleaned value
// (none when it is empty); one multi-valued field a row per value, exactly as stored. No field
// gives no row at all. GBK.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/StringList.h"
#include "engine/records/KeyUnit.h"
#include "export/ExportFields.h"

namespace vlmr {

// Trims bytes <= ' ' at both ends, then deletes every LF, every CR and every field separator.
std::string CleanSingleValue(std::string_view value, std::string_view fieldSeparator);

// The list's text form (each value followed by CR LF), trimmed, each LF replaced by the value
// separator, CRs deleted, and the field separator deleted when it differs from the value
// separator.
std::string CleanMultiValue(const TUniqueStringList& list, std::string_view fieldSeparator,
                            std::string_view valueSeparator);

class TExportRows {
 public:
  using TCells = std::span<const std::string>;

  TExportRows(const TExportFields& fields, std::string_view fieldSeparator,
              std::string_view valueSeparator);

  std::size_t ColumnCount() const { return chosen_.size(); }
  // The header's captions; empty when fewer than two fields are chosen.
  const std::vector<std::string>& Header() const { return header_; }

  // Calls `row(cells)` for every row `company` gives, in order. The cells live until the call
  // returns.
  template <class TRow>
  void ForEachRow(const TComPanyInfo& company, TRow&& row) {
    if (const TUniqueStringList* list = SingleList(company)) {
      for (const std::string& value : *list) {
        row(TCells(&value, 1));
      }
    } else if (FillCells(company)) {
      row(TCells(cells_));
    }
  }

  // Calls `row(cells)` for the header, when there is one, then for every row of `companies` (a
  // range of pointers to records).
  template <class TCompanies, class TRow>
  void ForEachRowOf(const TCompanies& companies, TRow&& row) {
    if (!header_.empty()) {
      row(TCells(header_));
    }
    for (const auto& company : companies) {
      ForEachRow(*company, row);
    }
  }

  // True when `companies` (a range of pointers to records) give more than `limit` rows, the
  // header included. Counts without cleaning a value wherever the answer is plain from the sizes.
  template <class TCompanies>
  bool RowsExceed(const TCompanies& companies, std::size_t limit) {
    std::size_t rows = header_.empty() ? 0 : 1;
    const bool rowPerValue = chosen_.size() == 1 && IsListField(chosen_[0]);
    if (!rowPerValue && rows + static_cast<std::size_t>(companies.size()) <= limit) {
      return false;  // a company gives at most one row
    }
    for (const auto& company : companies) {
      if (const TUniqueStringList* list = SingleList(*company)) {
        rows += list->size();
      } else if (FillCells(*company)) {
        ++rows;
      }
      if (rows > limit) {
        return true;
      }
    }
    return false;
  }

 private:
  enum TField { COMPANY, MOBILE, QQ, EMAIL, ADDRESS, WEBURL, WECHAT };
  static bool IsListField(TField field) {
    return field == MOBILE || field == QQ || field == EMAIL || field == WECHAT;
  }
  // The one chosen list field's values, when a single multi-valued field is chosen.
  const TUniqueStringList* SingleList(const TComPanyInfo& company) const;
  // The cleaned cells of a company into cells_; false when there are none or all are empty.
  bool FillCells(const TComPanyInfo& company);

  std::vector<TField> chosen_;  // in column order
  std::string_view fieldSeparator_;
  std::string_view valueSeparator_;
  std::vector<std::string> header_;
  std::vector<std::string> cells_;
};

}  // namespace vlmr
