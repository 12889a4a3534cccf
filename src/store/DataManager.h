// The statement builder the store uses for everything: it owns the connection, composes
// insert, update and delete statements from an ordered list of name/value entries and a
// condition, and runs single statements and queries given as text.
//
// Literals: a number entry is written bare; a text entry as an SQL string literal with every
// single quote doubled (SqlQuoted). Names and literals are joined by "," without blanks.
// The builder keeps shared state between ResetFields and the run: one user at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/SQLiteTable.h"

namespace vlmr {

// Text between single quotes with every single quote inside doubled.
std::string SqlQuoted(std::string_view text);
// The text with every single quote doubled (the body of a literal).
std::string SqlQuoteBody(std::string_view text);

// A whole decimal 32-bit signed number (an optional "-" or "+" and digits), else `fallback`.
std::int32_t ToInt32(std::string_view text, std::int32_t fallback = 0);

struct TDataField {
  enum TKind : std::uint8_t { Text, Number };
  TKind kind = Text;
  std::string name;
  std::string value;
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

  // Append an entry unless the trimmed name is empty. AddText keeps the value as given;
  // AddInteger writes decimal digits; AddNumber the FormatFloat form.
  void AddText(std::string_view name, std::string_view value);
  void AddInteger(std::string_view name, std::int32_t value);
  void AddNumber(std::string_view name, double value);

  // The trimmed text becomes the condition when it is not empty; an empty text leaves the
  // previous condition in force. Only ResetFields clears it.
  void SetCondition(std::string_view text);
  const std::string& Condition() const { return condition_; }
  const std::vector<TDataField>& Fields() const { return fields_; }

  // Compose a statement from the entries and the condition and run it through RunSql.
  // An empty table name does nothing (false).
  bool InsertInto(std::string_view table);
  bool UpdateTable(std::string_view table);
  bool DeleteFrom(std::string_view table);

  // Keeps the text as the statement text and runs it; false on any error, which goes no
  // further (the database is left unchanged).
  bool RunSql(const std::string& sql);

  // The last statement run, or the query to run next.
  const std::string& StatementText() const { return statementText_; }
  void SetStatementText(std::string text) { statementText_ = std::move(text); }

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
  std::string statementText_;
};

}  // namespace vlmr
