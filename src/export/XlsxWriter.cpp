#include "export/XlsxWriter.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>

#include "base/Text.h"
#include "export/ExportError.h"

namespace vlmr {
namespace {

std::size_t Utf8Length(unsigned char lead) {
  return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

char32_t DecodeUtf8(std::string_view text, std::size_t pos, std::size_t length) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  switch (length) {
    case 1:
      return byte(0);
    case 2:
      return (char32_t(byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
    case 3:
      return (char32_t(byte(0) & 0x0F) << 12) | (char32_t(byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
    default:
      return (char32_t(byte(0) & 0x07) << 18) | (char32_t(byte(1) & 0x3F) << 12) |
             (char32_t(byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
  }
}

bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// "_xHHHH_" at `pos`: what a reader would take for an escape.
bool LooksLikeEscape(std::string_view text, std::size_t pos) {
  return pos + 7 <= text.size() && text[pos] == '_' && (text[pos + 1] == 'x') &&
         IsHex(text[pos + 2]) && IsHex(text[pos + 3]) && IsHex(text[pos + 4]) &&
         IsHex(text[pos + 5]) && text[pos + 6] == '_';
}

void Check(lxw_error error, const char* what) {
  if (error != LXW_NO_ERROR) {
    throw EExportError(std::string(what) + ": " + lxw_strerror(error));
  }
}

}  // namespace

std::string TXlsxWriter::SheetName(std::string_view keywordGbk) {
  static constexpr std::string_view kForbidden = "[]:*?/\\";
  std::string utf8 = GbkToUtf8(keywordGbk);
  std::vector<std::string> chars;
  for (std::size_t pos = 0; pos < utf8.size() && chars.size() < 31;) {
    std::size_t length = Utf8Length(static_cast<unsigned char>(utf8[pos]));
    std::string c = utf8.substr(pos, length);
    if (length == 1 && (static_cast<unsigned char>(c[0]) < 32 || c[0] == 127 ||
                        kForbidden.find(c[0]) != std::string_view::npos)) {
      c = "_";
    }
    chars.push_back(std::move(c));
    pos += length;
  }
  if (chars.empty()) {
    return "Sheet1";
  }
  // Excel takes no apostrophe at either end of a sheet name.
  if (chars.front() == "'") {
    chars.front() = "_";
  }
  if (chars.back() == "'") {
    chars.back() = "_";
  }
  std::string name;
  for (const std::string& c : chars) {
    name += c;
  }
  return name;
}

std::string TXlsxWriter::CellText(std::string_view gbk) {
  // Most cells (numbers, addresses of mail and web) are plain ASCII, the same in UTF-8, and
  // need nothing done.
  bool ascii = true;
  bool plain = gbk.size() <= kMaxCellChars;
  for (char c : gbk) {
    const auto byte = static_cast<unsigned char>(c);
    ascii = ascii && byte < 0x80;
    plain = plain && (byte >= 0x20 || c == '\t' || c == '\n') && c != '_';
  }
  if (ascii && plain) {
    return std::string(gbk);
  }
  std::string utf8 = ascii ? std::string(gbk) : GbkToUtf8(gbk);
  std::string out;
  out.reserve(utf8.size());
  std::size_t chars = 0;
  for (std::size_t pos = 0; pos < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[pos]);
    const std::size_t length = Utf8Length(lead);
    char escape[8];
    std::string_view piece(utf8.data() + pos, length);
    const bool escaped =
        (lead < 0x20 && lead != '\t' && lead != '\n') || LooksLikeEscape(utf8, pos);
    if (escaped) {
      std::snprintf(escape, sizeof escape, "_x%04X_", lead);
      piece = std::string_view(escape, 7);
    }
    const std::size_t pieceChars = escaped ? 7 : 1;
    if (chars + pieceChars > kMaxCellChars) {
      break;
    }
    out += piece;
    chars += pieceChars;
    pos += length;
  }
  return out;
}

std::size_t TXlsxWriter::DisplayWidth(std::string_view utf8) {
  std::size_t width = 0;
  for (std::size_t pos = 0; pos < utf8.size();) {
    std::size_t length =
        std::min(Utf8Length(static_cast<unsigned char>(utf8[pos])), utf8.size() - pos);
    width += IsWide(DecodeUtf8(utf8, pos, length)) ? 2 : 1;
    pos += length;
  }
  return width;
}

TXlsxWriter::TXlsxWriter(const std::string& fileName, const std::string& sheetNameUtf8) {
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  workbook_ = workbook_new_opt(fileName.c_str(), &options);
  if (!workbook_) {
    throw EExportError("cannot start the workbook " + fileName);
  }
  sheet_ = workbook_add_worksheet(workbook_, sheetNameUtf8.c_str());
  if (!sheet_) {
    sheet_ = workbook_add_worksheet(workbook_, nullptr);
  }
  bold_ = workbook_add_format(workbook_);
  if (!sheet_ || !bold_) {
    workbook_close(workbook_);
    throw EExportError("cannot add the sheet");
  }
  format_set_bold(bold_);
  // Every cell is text on purpose: no "number stored as text" marks.
  worksheet_ignore_errors(sheet_, LXW_IGNORE_NUMBER_STORED_AS_TEXT, "A1:XFD1048576");
}

TXlsxWriter::~TXlsxWriter() {
  if (!closed_) {
    workbook_close(workbook_);
  }
}

void TXlsxWriter::Write(TCells cellsGbk, lxw_format* format) {
  if (row_ >= kMaxRows) {
    throw EExportError("more rows than a sheet holds");
  }
  if (cellsGbk.size() > kMaxColumns) {
    throw EExportError("more columns than a sheet holds");
  }
  if (widths_.size() < cellsGbk.size()) {
    widths_.resize(cellsGbk.size(), 0);
  }
  for (std::size_t c = 0; c < cellsGbk.size(); ++c) {
    if (cellsGbk[c].empty()) {
      continue;
    }
    const std::string text = CellText(cellsGbk[c]);
    widths_[c] = std::max(widths_[c], DisplayWidth(text));
    Check(worksheet_write_string(sheet_, row_, static_cast<lxw_col_t>(c), text.c_str(), format),
          "cannot write a cell");
  }
  ++row_;
}

void TXlsxWriter::AddHeader(TCells cellsGbk) {
  if (row_ != 0 || cellsGbk.empty()) {
    throw EExportError("a header goes first and has cells");
  }
  header_ = true;
  Write(cellsGbk, bold_);
  worksheet_freeze_panes(sheet_, 1, 0);
}

void TXlsxWriter::AddRow(TCells cellsGbk) {
  Write(cellsGbk, nullptr);
}

void TXlsxWriter::Close() {
  for (std::size_t c = 0; c < widths_.size(); ++c) {
    // A little room beside the text, and the header's bold face.
    double width =
        std::clamp(static_cast<double>(widths_[c]) + 2, kMinColumnWidth, kMaxColumnWidth);
    Check(worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), width,
                               nullptr),
          "cannot set a column width");
  }
  if (header_) {
    Check(
        worksheet_autofilter(sheet_, 0, 0, row_ - 1,
                             static_cast<lxw_col_t>(std::max<std::size_t>(widths_.size(), 1) - 1)),
        "cannot set the autofilter");
  }
  closed_ = true;
  Check(workbook_close(workbook_), "cannot write the workbook");
}

}  // namespace vlmr
