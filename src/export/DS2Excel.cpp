#include "export/DS2Excel.h"

#include "base/Text.h"
#include "export/ExportError.h"
#include "platform/FileIo.h"

namespace vlmr {
namespace {

constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kLabel = 0x0204;
constexpr std::uint16_t kBlank = 0x0201;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kBlankFormat = 0x0017;

}  // namespace

std::vector<std::string_view> TDS2Excel::SplitCells(std::string_view line) {
  std::vector<std::string_view> cells;
  std::size_t start = 0;
  for (std::size_t pos = 0; pos < line.size();) {
    std::size_t length = GbkCharLength(line, pos);
    if (length == 1 && line[pos] == '|') {
      cells.push_back(line.substr(start, pos - start));
      start = pos + 1;
    }
    pos += length;
  }
  cells.push_back(line.substr(start));
  return cells;
}

std::size_t TDS2Excel::RowCount(const std::vector<std::string>& lines, bool header) {
  std::size_t rows = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if ((header && i == 0) || !lines[i].empty()) {
      ++rows;
    }
  }
  return rows;
}

void TDS2Excel::Put16(std::uint16_t value) {
  out_ += static_cast<char>(value & 0xFF);
  out_ += static_cast<char>(value >> 8);
}

void TDS2Excel::Advance() {
  if (col_ == lastCol_) {
    ++row_;
    col_ = 0;
  } else {
    ++col_;
  }
}

void TDS2Excel::WriteLabel(std::string_view text) {
  if (text.size() > kMaxLabelBytes) {
    std::size_t cut = kMaxLabelBytes;
    if (IsGbkTrailPosition(text, cut)) {
      --cut;  // the character that straddles the limit goes whole
    }
    text = text.substr(0, cut);
  }
  Put16(kLabel);
  Put16(static_cast<std::uint16_t>(8 + text.size()));
  Put16(row_);
  Put16(col_);
  Put16(0);
  Put16(static_cast<std::uint16_t>(text.size()));
  out_.append(text);
  Advance();
}

void TDS2Excel::WriteBlank() {
  Put16(kBlank);
  Put16(6);
  Put16(row_);
  Put16(col_);
  Put16(kBlankFormat);
  Advance();
}

std::string TDS2Excel::Build(bool header) {
  if (RowCount(lines_, header) > kMaxRows) {
    throw EExportError("more rows than a worksheet holds");
  }
  out_.clear();
  row_ = 0;
  col_ = 0;
  lastCol_ = 0;
  Put16(kBof);
  Put16(8);
  Put16(0x0000);
  Put16(0x0010);
  Put16(0x0000);
  Put16(0x0000);

  std::size_t first = 0;
  if (header && !lines_.empty()) {
    std::vector<std::string_view> cells = SplitCells(lines_[0]);
    if (cells.size() > kMaxColumns) {
      throw EExportError("more columns than a worksheet holds");
    }
    lastCol_ = static_cast<std::int32_t>(cells.size()) - 1;
    for (std::string_view cell : cells) {
      WriteLabel(cell);
    }
    first = 1;
  }
  for (std::size_t i = first; i < lines_.size(); ++i) {
    if (lines_[i].empty()) {
      continue;
    }
    std::vector<std::string_view> cells = SplitCells(lines_[i]);
    for (std::int32_t c = 0; c <= lastCol_; ++c) {
      auto index = static_cast<std::size_t>(c);
      if (index < cells.size() && !cells[index].empty()) {
        WriteLabel(cells[index]);
      } else {
        WriteBlank();
      }
    }
  }
  Put16(kEof);
  Put16(0);
  return std::move(out_);
}

void TDS2Excel::WriteFile(const std::string& fileName, bool header) {
  std::string stream = Build(header);
  if (!ReplaceFile(fileName, stream)) {
    throw EExportError("cannot write " + fileName);
  }
}

}  // namespace vlmr
