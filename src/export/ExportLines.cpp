#include "export/ExportLines.h"

#include "base/Text.h"

namespace vlmr {

TExportLineBuilder::TExportLineBuilder(const TExportFields& fields, bool textFormat)
    : rows_(fields, textFormat ? kTextFieldSeparator : kSheetFieldSeparator,
            textFormat ? kTextValueSeparator : kSheetValueSeparator),
      fieldSeparator_(textFormat ? kTextFieldSeparator : kSheetFieldSeparator) {
  if (!rows_.Header().empty()) {
    lines_.push_back(Join(rows_.Header()));
  }
}

std::string TExportLineBuilder::Join(TExportRows::TCells cells) const {
  std::string line;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) {
      line += fieldSeparator_;
    }
    line += cells[i];
  }
  return line;
}

void TExportLineBuilder::Add(const TComPanyInfo& company) {
  rows_.ForEachRow(company, [this](TExportRows::TCells cells) { lines_.push_back(Join(cells)); });
}

std::string JoinExportLines(const std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const auto& line : lines) {
    size += line.size() + 2;
  }
  std::string text;
  text.reserve(size);
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string ProposedExportFileName(std::string_view keyword, TExportFormat format) {
  static constexpr std::string_view kForbidden = "/\\:*?\"<>|";
  std::string name;
  name.reserve(keyword.size() + 4);
  for (std::size_t pos = 0; pos < keyword.size();) {
    std::size_t length = GbkCharLength(keyword, pos);
    unsigned char c = static_cast<unsigned char>(keyword[pos]);
    if (length == 1 && (c < 32 || c == 127 || kForbidden.find(keyword[pos]) != std::string::npos)) {
      name += '_';
    } else {
      name.append(keyword.substr(pos, length));
    }
    pos += length;
  }
  name += '.';
  name += ExportExtension(format);
  return name;
}

}  // namespace vlmr
