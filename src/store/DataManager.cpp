#include "store/DataManager.h"

#include <charconv>

#include "base/Text.h"
#include "base/Utils.h"

namespace vlmr {
namespace {

std::string Literal(const TDataField& field) {
  return field.kind == TDataField::Number ? field.value : SqlQuoted(field.value);
}

}  // namespace

std::string SqlQuoteBody(std::string_view text) {
  return ReplaceAll(text, "'", "''");
}

std::string SqlQuoted(std::string_view text) {
  std::string literal;
  literal.reserve(text.size() + 2);
  literal.push_back('\'');
  literal += SqlQuoteBody(text);
  literal.push_back('\'');
  return literal;
}

std::int32_t ToInt32(std::string_view text, std::int32_t fallback) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') {
      return fallback;
    }
  }
  std::int32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    return fallback;
  }
  return value;
}

TDataManager::TDataManager(const std::string& fileName) : database_(DataFilePath(fileName)) {}

std::string TDataManager::DataFilePath(const std::string& fileName) {
  return AppFolder() + "Data" + kPathDelim + fileName;
}

void TDataManager::ResetFields() {
  fields_.clear();
  condition_.clear();
  statementText_.clear();
}

void TDataManager::AddText(std::string_view name, std::string_view value) {
  std::string trimmed = Trim(name);
  if (trimmed.empty()) {
    return;
  }
  fields_.push_back({TDataField::Text, std::move(trimmed), std::string(value)});
}

void TDataManager::AddInteger(std::string_view name, std::int32_t value) {
  std::string trimmed = Trim(name);
  if (trimmed.empty()) {
    return;
  }
  fields_.push_back({TDataField::Number, std::move(trimmed), std::to_string(value)});
}

void TDataManager::AddNumber(std::string_view name, double value) {
  std::string trimmed = Trim(name);
  if (trimmed.empty()) {
    return;
  }
  fields_.push_back({TDataField::Number, std::move(trimmed), FormatFloat(value)});
}

void TDataManager::SetCondition(std::string_view text) {
  std::string trimmed = Trim(text);
  if (!trimmed.empty()) {
    condition_ = std::move(trimmed);
  }
}

bool TDataManager::InsertInto(std::string_view table) {
  if (table.empty()) {
    return false;
  }
  std::string names, literals;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (i > 0) {
      names += ',';
      literals += ',';
    }
    names += fields_[i].name;
    literals += Literal(fields_[i]);
  }
  return RunSql("insert into " + std::string(table) + "(" + names + ") values (" + literals + ")");
}

bool TDataManager::UpdateTable(std::string_view table) {
  if (table.empty()) {
    return false;
  }
  std::string assignments;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (i > 0) {
      assignments += ',';
    }
    assignments += fields_[i].name + "=" + Literal(fields_[i]);
  }
  std::string sql = "update " + std::string(table) + " set " + assignments;
  if (!condition_.empty()) {
    sql += " where " + condition_;
  }
  return RunSql(sql);
}

bool TDataManager::DeleteFrom(std::string_view table) {
  if (table.empty()) {
    return false;
  }
  std::string sql = "delete from " + std::string(table);
  if (!condition_.empty()) {
    sql += " where " + condition_;
  }
  return RunSql(sql);
}

bool TDataManager::RunSql(const std::string& sql) {
  statementText_ = sql;
  try {
    database_.RunStatement(sql);
    return true;
  } catch (...) {
    return false;
  }
}

std::unique_ptr<TSQLiteTable> TDataManager::QueryStatement() {
  if (statementText_.empty()) {
    return nullptr;
  }
  return database_.RunQuery(statementText_);
}

bool TDataManager::QueryStatement(TSQLiteTable& rows) {
  if (statementText_.empty()) {
    return false;
  }
  database_.RunQuery(statementText_, rows);
  return true;
}

}  // namespace vlmr
