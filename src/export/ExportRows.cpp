#include "export/ExportRows.h"

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

const std::array<std::string, 7>& HeaderCaptions() {
  static const std::array<std::string, 7> captions = {
      Utf8ToGbk("公司名"), Utf8ToGbk("手机"), Utf8ToGbk("QQ"),   Utf8ToGbk("邮箱"),
      Utf8ToGbk("地址"),   Utf8ToGbk("网址"), Utf8ToGbk("微信"),
  };
  return captions;
}

}  // namespace

std::string CleanSingleValue(std::string_view value, std::string_view fieldSeparator) {
  std::string text = Trim(value);
  std::erase(text, '\n');
  std::erase(text, '\r');
  EraseAll(text, fieldSeparator);
  return text;
}

std::string CleanMultiValue(const TUniqueStringList& list, std::string_view fieldSeparator,
                            std::string_view valueSeparator) {
  std::string text = Trim(list.TextForm());
  text = ReplaceAll(text, "\n", valueSeparator);
  std::erase(text, '\r');
  if (fieldSeparator != valueSeparator) {
    EraseAll(text, fieldSeparator);
  }
  return text;
}

TExportRows::TExportRows(const TExportFields& fields, std::string_view fieldSeparator,
                         std::string_view valueSeparator)
    : fieldSeparator_(fieldSeparator), valueSeparator_(valueSeparator) {
  const std::array<bool, 7> chosen = {fields.company, fields.mobile, fields.qq,    fields.email,
                                      fields.address, fields.webUrl, fields.wechat};
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    if (chosen[i]) {
      chosen_.push_back(static_cast<TField>(i));
    }
  }
  if (chosen_.size() >= 2) {
    for (TField field : chosen_) {
      header_.push_back(HeaderCaptions()[field]);
    }
  }
  cells_.resize(chosen_.size());
}

const TUniqueStringList* TExportRows::SingleList(const TComPanyInfo& company) const {
  if (chosen_.size() != 1) {
    return nullptr;
  }
  switch (chosen_[0]) {
    case MOBILE:
      return &company.mobiles;
    case QQ:
      return &company.qqs;
    case EMAIL:
      return &company.emails;
    case WECHAT:
      return &company.wechats;
    default:
      return nullptr;
  }
}

bool TExportRows::FillCells(const TComPanyInfo& company) {
  bool anyValue = false;
  for (std::size_t i = 0; i < chosen_.size(); ++i) {
    std::string& cell = cells_[i];
    switch (chosen_[i]) {
      case COMPANY:
        cell = CleanSingleValue(company.GetComName(), fieldSeparator_);
        break;
      case MOBILE:
        cell = CleanMultiValue(company.mobiles, fieldSeparator_, valueSeparator_);
        break;
      case QQ:
        cell = CleanMultiValue(company.qqs, fieldSeparator_, valueSeparator_);
        break;
      case EMAIL:
        cell = CleanMultiValue(company.emails, fieldSeparator_, valueSeparator_);
        break;
      case ADDRESS:
        cell = CleanSingleValue(company.address, fieldSeparator_);
        break;
      case WEBURL:
        cell = CleanSingleValue(company.webUrl, fieldSeparator_);
        break;
      case WECHAT:
        cell = CleanMultiValue(company.wechats, fieldSeparator_, valueSeparator_);
        break;
    }
    anyValue = anyValue || !cell.empty();
  }
  return anyValue;
}

}  // namespace vlmr
