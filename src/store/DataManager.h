// The statement builder the store uses for everything: it owns the connection, composes
// insert, update and delete statements from an ordered list of name/value entries and a
// condition, and runs single statements and queries given as text.
//
// Every value is a bound parameter: the composed text holds "?" for each entry's value (names
// joined by "," without blanks) and then the condition's own parameters, in that order; no
// value is ever written into the text. The builder keeps shared state between ResetFields and
// the run: one user at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/SQLiteTable.h"

namespace vlmr {

// A whole decimal 32-bit signed number (an optional "-" or "+" and digits), else `fallback`.
std::int32_t ToInt32(std::string_view text, std::int32_t fallback = 0);

// A row key in decimal (as the store keeps ids) as the integer it is; 0 for anything else.
std::int64_t ToRowKey(std::string_view text);

struct TDataField {
  std::string name;
  TSqlValue value;
};

class TDataManager {
 public:
  // Opens the program folder's Data/<fileName> (the folder is not created here). Raises
  // ESQLiteException when the file cannot be opened.
  explicit TDataManager(const std::string& fileName);

  // The path of a file in the program's Data folder.
  static std::string DataFilePath(const std::string& fileName);

  // Drops every field entry, the condition and the statement text.
  void ResetFields();

  // Append an entry unless the trimmed name is empty. AddText binds the value as text,
  // AddInteger as an integer, AddNumber as a floating value.
  void AddText(std::string_view name, std::string_view value);
  void AddInteger(std::string_view name, std::int64_t value);
  void AddNumber(std::string_view name, double value);

  // The trimmed text (with "?" for each of `params`) becomes the condition when it is not
  // empty; an empty text leaves the previous condition in force. Only ResetFields clears it.
  void SetCondition(std::string_view text, TSqlParams params = {});
  const std::vector<TDataField>& Fields() const { return fields_; }

  // Compose a statement from the entries and the condition and run it through RunSql.
  // An empty table name does nothing (false).
  bool InsertInto(std::string_view table);
  bool UpdateTable(std::string_view table);
  bool DeleteFrom(std::string_view table);

  // Keeps the text as the statement text and runs it with `params`; false on any error, which
  // goes no further (the database is left unchanged). The error's text is kept (LastError).
  bool RunSql(const std::string& sql, const TSqlParams& params = {});
  const std::string& LastError() const { return lastError_; }

  // The last statement run, or the query to run next (with the values of its parameters).
  const std::string& StatementText() const { return statementText_; }
  void SetStatementText(std::string text, TSqlParams params = {}) {
    statementText_ = std::move(text);
    statementParams_ = std::move(params);
  }

  // Runs StatementText as a query; nothing when it is empty. Raises ESQLiteException.
  std::unique_ptr<TSQLiteTable> QueryStatement();
  // The same into `rows`; false when StatementText is empty. On a failure the rows that
  // arrived before it stay in `rows` and the error is raised.
  bool QueryStatement(TSQLiteTable& rows);

  TSQLiteDatabase& Database() { return database_; }

 private:
  TSQLiteDatabase database_;
  std::vector<TDataField> fields_;
  std::string condition_;
  TSqlParams conditionParams_;
  std::string statementText_;
  TSqlParams statementParams_;
  std::string lastError_;
};

}  // namespace vlmr
