// The built-in spreadsheet writer: a bare BIFF worksheet stream (BOF, one LABEL or BLANK per
// cell, EOF; no container, no code-page record), cells taken from lines split at "|".
//
// The first line is the header when the flag is set: it sets the number of columns, and every
// later line fills exactly that many cells (BLANK for an empty or missing one, cells beyond it
// dropped); an empty line writes nothing. A "|" that is the second byte of a double-byte GBK
// character does not split. A cell longer than a LABEL holds (65527 bytes) is cut at a
// character boundary; more rows (65536) or columns than the record fields address are refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vlmr {

class TDS2Excel {
 public:
  static constexpr std::size_t kMaxRows = 65536;
  static constexpr std::size_t kMaxColumns = 65536;
  static constexpr std::size_t kMaxLabelBytes = 65527;

  // The lines are not owned; they must outlive the writer.
  explicit TDS2Excel(const std::vector<std::string>& lines) : lines_(lines) {}

  // The stream for the lines; raises EExportError when they need more rows or columns than
  // the format addresses.
  std::string Build(bool header);
  // Writes Build's stream as the file `fileName`, replacing an existing file only once the
  // whole stream is on disk (a failure leaves the old file as it was). EExportError on failure.
  void WriteFile(const std::string& fileName, bool header);

  // The rows the lines take.
  static std::size_t RowCount(const std::vector<std::string>& lines, bool header);
  // A line's cells, split at "|" (double-byte aware).
  static std::vector<std::string_view> SplitCells(std::string_view line);

 private:
  void WriteLabel(std::string_view text);
  void WriteBlank();
  void Advance();
  void Put16(std::uint16_t value);

  const std::vector<std::string>& lines_;
  std::string out_;
  std::uint16_t col_ = 0;
  std::uint16_t row_ = 0;
  std::int32_t lastCol_ = 0;
};

}  // namespace vlmr
