#include "store/DataManager.h"

#include <charconv>

#include "base/Text.h"
#include "base/Utils.h"

namespace vlmr {

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

std::int64_t ToRowKey(std::string_view text) {
  std::int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value > 0 ? value : 0;
}

TDataManager::TDataManager(const std::string& fileName) : database_(DataFilePath(fileName)) {}

std::string TDataManager::DataFilePath(const std::string& fileName) {
  return AppFolder() + "Data" + kPathDelim + fileName;
}

void TDataManager::ResetFields() {
  fields_.clear();
  condition_.clear();
  conditionParams_.clear();
  statementText_.clear();
  statementParams_.clear();
}

void TDataManager::AddText(std::string_view name, std::string_view value) {
  std::string trimmed = Trim(name);
  if (trimmed.empty()) {
    return;
  }
  fields_.push_back({std::move(trimmed), std::string(value)});
}

void TDataManager::AddInteger(std::string_view name, std::int64_t value) {
  std::string trimmed = Trim(name);
  if (trimmed.empty()) {
    return;
  }
  fields_.push_back({std::move(trimmed), value});
}

void TDataManager::AddNumber(std::string_view name, double value) {
  std::string trimmed = Trim(name);
  if (trimmed.empty()) {
    return;
  }
  fields_.push_back({std::move(trimmed), value});
}

void TDataManager::SetCondition(std::string_view text, TSqlParams params) {
  std::string trimmed = Trim(text);
  if (!trimmed.empty()) {
    condition_ = std::move(trimmed);
    conditionParams_ = std::move(params);
  }
}

bool TDataManager::InsertInto(std::string_view table) {
  if (table.empty()) {
    return false;
  }
  std::string names, marks;
  TSqlParams values;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (i > 0) {
      names += ',';
      marks += ',';
    }
    names += fields_[i].name;
    marks += '?';
    values.push_back(fields_[i].value);
  }
  return RunSql("insert into " + std::string(table) + "(" + names + ") values (" + marks + ")",
                values);
}

bool TDataManager::UpdateTable(std::string_view table) {
  if (table.empty()) {
    return false;
  }
  std::string assignments;
  TSqlParams values;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (i > 0) {
      assignments += ',';
    }
    assignments += fields_[i].name + "=?";
    values.push_back(fields_[i].value);
  }
  std::string sql = "update " + std::string(table) + " set " + assignments;
  if (!condition_.empty()) {
    sql += " where " + condition_;
    values.insert(values.end(), conditionParams_.begin(), conditionParams_.end());
  }
  return RunSql(sql, values);
}

bool TDataManager::DeleteFrom(std::string_view table) {
  if (table.empty()) {
    return false;
  }
  std::string sql = "delete from " + std::string(table);
  if (!condition_.empty()) {
    sql += " where " + condition_;
  }
  return RunSql(sql, condition_.empty() ? TSqlParams{} : conditionParams_);
}

bool TDataManager::RunSql(const std::string& sql, const TSqlParams& params) {
  statementText_ = sql;
  statementParams_ = params;
  try {
    database_.RunStatement(sql, params);
    lastError_.clear();
    return true;
  } catch (const std::exception& e) {
    lastError_ = e.what();
    return false;
  }
}

std::unique_ptr<TSQLiteTable> TDataManager::QueryStatement() {
  if (statementText_.empty()) {
    return nullptr;
  }
  return database_.RunQuery(statementText_, statementParams_);
}

bool TDataManager::QueryStatement(TSQLiteTable& rows) {
  if (statementText_.empty()) {
    return false;
  }
  database_.RunQuery(statementText_, rows, statementParams_);
  return true;
}

}  // namespace vlmr
