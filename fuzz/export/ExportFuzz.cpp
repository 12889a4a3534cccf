// Arbitrary company records and field choices through the export: the lines keep their
// contract (header rule, one cell per chosen field, no line breaks inside a line), the
// worksheet stream the spreadsheet path writes is read back cell by cell, and so are the CSV
// file (its quoting undone) and the XLSX file (unzipped, its sheet parsed as XML).
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../FuzzCheck.h"
#include "base/Text.h"
#include "export/DS2Excel.h"
#include "export/ExportFile.h"
#include "export/ExportLines.h"
#include "export/WriteWorkbook.h"
#include "support/BiffReader.h"
#include "support/CsvReader.h"
#include "support/TempFolder.h"
#include "support/XlsxCells.h"

namespace {

using vlmr::TDS2Excel;

using vlmr::fuzz::Check;

vlmr::test::TTempFolder& Folder() {
  static vlmr::test::TTempFolder folder;
  return folder;
}
std::string TextFile() {
  return Folder().File("out.xls");
}

// The rows the spreadsheet formats write, as UTF-8.
std::vector<std::vector<std::string>> SheetRows(
    const std::vector<std::shared_ptr<vlmr::TComPanyInfo>>& companies,
    const vlmr::TExportFields& fields) {
  std::vector<std::vector<std::string>> rows;
  auto add = [&](vlmr::TExportRows::TCells cells) {
    auto& row = rows.emplace_back();
    for (const std::string& cell : cells) {
      row.push_back(vlmr::GbkToUtf8(cell));
    }
  };
  vlmr::TExportRows builder(fields, vlmr::kSheetFieldSeparator, vlmr::kSheetValueSeparator);
  builder.ForEachRowOf(companies, add);
  return rows;
}

void CheckCsv(const std::vector<std::shared_ptr<vlmr::TComPanyInfo>>& companies,
              const vlmr::TExportFields& fields) {
  const std::string file = Folder().File("out.csv");
  Check(vlmr::WriteCsvExport(companies, file, fields));
  std::string bytes = vlmr::test::TTempFolder::Read(file);
  Check(bytes.compare(0, 3, vlmr::kUtf8ByteOrderMark) == 0);
  auto records = vlmr::test::ParseCsv(std::string_view(bytes).substr(3));
  Check(records == SheetRows(companies, fields));
}

void CheckXlsx(const std::vector<std::shared_ptr<vlmr::TComPanyInfo>>& companies,
               const vlmr::TExportFields& fields, const std::string& keyword) {
  const std::string file = Folder().File("out.xlsx");
  Check(vlmr::WriteXlsxExport(companies, file, fields, keyword));
  vlmr::test::TXlsxCells read = vlmr::test::ReadXlsxCells(file);
  Check(read.error.empty());
  std::size_t written = 0;
  const auto rows = SheetRows(companies, fields);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      auto found = read.cells.find({static_cast<int>(r), static_cast<int>(c)});
      if (rows[r][c].empty()) {
        Check(found == read.cells.end());
        continue;
      }
      Check(found != read.cells.end() && found->second == rows[r][c]);
      ++written;
    }
  }
  Check(read.cells.size() == written);
}

// The sheet must hold exactly the cells the lines give, row after row.
void CheckSheet(const std::vector<std::string>& lines, const std::string& stream) {
  vlmr::test::TBiffSheet sheet = vlmr::test::ReadBiff(stream);
  Check(sheet.error.empty());
  std::size_t columns = lines.empty() ? 1 : TDS2Excel::SplitCells(lines[0]).size();
  Check(sheet.cells.size() == TDS2Excel::RowCount(lines, true) * (lines.empty() ? 0 : columns));
  int row = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0 && lines[i].empty()) {
      continue;
    }
    auto cells = TDS2Excel::SplitCells(lines[i]);
    for (std::size_t c = 0; c < columns; ++c) {
      auto found = sheet.cells.find({row, static_cast<int>(c)});
      Check(found != sheet.cells.end());
      std::string_view expected = c < cells.size() ? cells[c] : std::string_view();
      if (expected.size() > TDS2Excel::kMaxLabelBytes) {
        Check(found->second.size() + 1 >= TDS2Excel::kMaxLabelBytes);
        Check(expected.substr(0, found->second.size()) == found->second);
      } else {
        Check(found->second == expected);
      }
    }
    ++row;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  vlmr::TExportFields fields;
  fields.company = input.ConsumeBool();
  fields.mobile = input.ConsumeBool();
  fields.qq = input.ConsumeBool();
  fields.email = input.ConsumeBool();
  fields.address = input.ConsumeBool();
  fields.webUrl = input.ConsumeBool();
  const bool text = input.ConsumeBool();
  const std::string keyword = input.ConsumeRandomLengthString(40);
  const int chosen =
      fields.company + fields.mobile + fields.qq + fields.email + fields.address + fields.webUrl;

  std::vector<std::shared_ptr<vlmr::TComPanyInfo>> companies;
  while (input.remaining_bytes() > 0 && companies.size() < 64) {
    auto company = std::make_shared<vlmr::TComPanyInfo>();
    company->SetComName(input.ConsumeRandomLengthString(64));
    company->address = input.ConsumeRandomLengthString(64);
    company->webUrl = input.ConsumeRandomLengthString(64);
    int values = input.ConsumeIntegralInRange(0, 12);
    for (int v = 0; v < values; ++v) {
      std::string value = input.ConsumeRandomLengthString(24);
      switch (input.ConsumeIntegralInRange(0, 3)) {
        case 0:
          company->AddMobile(value);
          break;
        case 1:
          company->AddQQ(value);
          break;
        case 2:
          company->AddEmail(value);
          break;
        default:
          company->AddTel(value);
          break;
      }
    }
    companies.push_back(std::move(company));
  }

  CheckCsv(companies, fields);
  CheckXlsx(companies, fields, keyword);

  std::vector<std::string> lines = vlmr::BuildExportLines(companies, fields, text);
  if (chosen == 0) {
    Check(lines.empty());
    return 0;
  }
  if (chosen >= 2) {
    Check(!lines.empty());
    for (const std::string& line : lines) {
      Check(line.find_first_of("\r\n") == std::string::npos);
      if (!text) {
        Check(static_cast<int>(std::count(line.begin(), line.end(), '\t')) == chosen - 1);
      }
    }
  }

  // The spreadsheet path, as WriteWorkbook takes it: tabs become cell breaks, the text is
  // broken into lines again.
  std::string joined = vlmr::JoinExportLines(lines);
  std::replace(joined.begin(), joined.end(), '\t', '|');
  std::vector<std::string> sheetLines = vlmr::SplitTextLines(joined);
  std::string stream = TDS2Excel(sheetLines).Build(true);
  CheckSheet(sheetLines, stream);

  // And once through the file: the bytes on disk are the stream.
  if (!text) {
    Check(vlmr::WriteWorkbook(TextFile(), lines));
    Check(vlmr::test::TTempFolder::Read(TextFile()) == stream);
  }
  return 0;
}
