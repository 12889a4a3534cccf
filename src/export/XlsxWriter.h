// An Office Open XML workbook (.xlsx) of one sheet, written row by row through libxlsxwriter in
// its constant-memory mode: a row is on disk once the next one starts, so a million rows need
// no more memory than one.
//
// Every cell is a text cell (numbers included, so that no reader turns a mobile number into
// 1.38E+10 or drops a leading 0), converted from GBK to UTF-8; empty cells are left out. The
// header row, when there is one, is bold, frozen and carries an autofilter over every written
// row. Column widths fit the widest cell of each column (CJK characters count twice), capped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace vlmr {

class TXlsxWriter {
 public:
  using TCells = std::span<const std::string>;

  static constexpr std::size_t kMaxRows = 1048576;
  static constexpr std::size_t kMaxColumns = 16384;
  // Characters a cell holds; longer texts are cut at a character.
  static constexpr std::size_t kMaxCellChars = 32767;
  static constexpr double kMinColumnWidth = 6;
  static constexpr double kMaxColumnWidth = 60;

  // Starts the workbook that Close writes to `fileName`, its sheet named `sheetNameUtf8` (see
  // SheetName; an unusable name gives the sheet its default name). EExportError on failure.
  TXlsxWriter(const std::string& fileName, const std::string& sheetNameUtf8);
  // Without Close, the file may be left incomplete: callers write to a temporary file.
  ~TXlsxWriter();
  TXlsxWriter(const TXlsxWriter&) = delete;
  TXlsxWriter& operator=(const TXlsxWriter&) = delete;

  // The header row; only as the first row.
  void AddHeader(TCells cellsGbk);
  void AddRow(TCells cellsGbk);
  // Sets the widths and the autofilter and writes the file. EExportError on failure.
  void Close();

  // A sheet name from a keyword (GBK): UTF-8, every character a sheet name may not hold
  // ([ ] : * ? / \ and control characters, an apostrophe at either end) made "_", cut to
  // 31 characters; "Sheet1" for an empty keyword.
  static std::string SheetName(std::string_view keywordGbk);
  // A cell's text as the sheet stores it: UTF-8, control characters other than tab and LF as
  // _xHHHH_ escapes, a literal _xHHHH_ protected as _x005F_xHHHH_ (readers unescape both), cut
  // at a character so that the stored text holds at most kMaxCellChars characters.
  static std::string CellText(std::string_view gbk);
  // The width a column needs for `utf8`: characters, East Asian wide ones counting two.
  static std::size_t DisplayWidth(std::string_view utf8);

 private:
  void Write(TCells cellsGbk, lxw_format* format);

  lxw_workbook* workbook_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  lxw_format* bold_ = nullptr;
  std::vector<std::size_t> widths_;
  std::uint32_t row_ = 0;
  bool header_ = false;
  bool closed_ = false;
};

}  // namespace vlmr
