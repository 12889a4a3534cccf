#include "export/ExportLines.h"

#include <array>

#include "base/Text.h"
#include "base/Utils.h"

namespace vlmr {
namespace {

void EraseAll(std::string& text, std::string_view what) {
  if (what.empty()) {
    return;
  }
  std::size_t out = 0;
  for (std::size_t in = 0; in < text.size();) {
    if (text.compare(in, what.size(), what) == 0) {
      in += what.size();
    } else {
      text[out++] = text[in++];
    }
  }
  text.resize(out);
}

void EraseByte(std::string& text, char c) {
  std::erase(text, c);
}

const std::array<std::string, 6>& HeaderCaptions() {
  static const std::array<std::string, 6> captions = {
      Utf8ToGbk("公司名"), Utf8ToGbk("手机"), Utf8ToGbk("QQ"),
      Utf8ToGbk("邮箱"),   Utf8ToGbk("地址"), Utf8ToGbk("网址"),
  };
  return captions;
}

}  // namespace

std::string CleanSingleValue(std::string_view value, std::string_view fieldSeparator) {
  std::string text = Trim(value);
  EraseByte(text, '\n');
  EraseByte(text, '\r');
  EraseAll(text, fieldSeparator);
  return text;
}

std::string CleanMultiValue(const TUniqueStringList& list, std::string_view fieldSeparator,
                            std::string_view valueSeparator) {
  std::string text = Trim(list.TextForm());
  text = ReplaceAll(text, "\n", valueSeparator);
  EraseByte(text, '\r');
  if (fieldSeparator != valueSeparator) {
    EraseAll(text, fieldSeparator);
  }
  return text;
}

TExportLineBuilder::TExportLineBuilder(const TExportFields& fields, bool textFormat)
    : fieldSeparator_(textFormat ? kTextFieldSeparator : kSheetFieldSeparator),
      valueSeparator_(textFormat ? kTextValueSeparator : kSheetValueSeparator) {
  const std::array<bool, 6> chosen = {fields.company, fields.mobile,  fields.qq,
                                      fields.email,   fields.address, fields.webUrl};
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    if (chosen[i]) {
      chosen_.push_back(static_cast<TField>(i));
    }
  }
  if (chosen_.size() >= 2) {
    std::string header;
    for (TField field : chosen_) {
      AppendWithSeparator(header, HeaderCaptions()[field], fieldSeparator_);
    }
    lines_.push_back(std::move(header));
  }
}

std::string TExportLineBuilder::CleanedValue(const TComPanyInfo& company, TField field) const {
  switch (field) {
    case COMPANY:
      return CleanSingleValue(company.GetComName(), fieldSeparator_);
    case MOBILE:
      return CleanMultiValue(company.mobiles, fieldSeparator_, valueSeparator_);
    case QQ:
      return CleanMultiValue(company.qqs, fieldSeparator_, valueSeparator_);
    case EMAIL:
      return CleanMultiValue(company.emails, fieldSeparator_, valueSeparator_);
    case ADDRESS:
      return CleanSingleValue(company.address, fieldSeparator_);
    case WEBURL:
      return CleanSingleValue(company.webUrl, fieldSeparator_);
  }
  return {};
}

void TExportLineBuilder::Add(const TComPanyInfo& company) {
  if (chosen_.empty()) {
    return;
  }
  if (chosen_.size() == 1) {
    // One field: a single value gives its own line; each value of a list does, unchanged.
    const TUniqueStringList* list = nullptr;
    switch (chosen_[0]) {
      case MOBILE:
        list = &company.mobiles;
        break;
      case QQ:
        list = &company.qqs;
        break;
      case EMAIL:
        list = &company.emails;
        break;
      default:
        break;
    }
    if (list) {
      lines_.insert(lines_.end(), list->begin(), list->end());
    } else if (std::string value = CleanedValue(company, chosen_[0]); !value.empty()) {
      lines_.push_back(std::move(value));
    }
    return;
  }
  std::string line;
  bool anyValue = false;
  for (std::size_t i = 0; i < chosen_.size(); ++i) {
    if (i > 0) {
      line += fieldSeparator_;
    }
    std::string value = CleanedValue(company, chosen_[i]);
    anyValue = anyValue || !value.empty();
    line += value;
  }
  if (anyValue) {
    lines_.push_back(std::move(line));
  }
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

std::string ProposedExportFileName(std::string_view keyword, bool textFormat) {
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
  name += textFormat ? ".txt" : ".xls";
  return name;
}

}  // namespace vlmr
