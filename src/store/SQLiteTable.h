// The SQLite access layer: one connection (TSQLiteDatabase), the complete result of one query
// held in memory (TSQLiteTable) and the layer's exception (ESQLiteException).
//
// Statements are SQL text whose values are bound parameters ("?", in order); each statement
// commits on its own unless a transaction is open. A connection is not re-entrant: its users
// must take turns (see TBuilderGate).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace vlmr {

class ESQLiteException : public std::runtime_error {
 public:
  explicit ESQLiteException(const std::string& message) : std::runtime_error(message) {}
};

// The text of an SQLite result code, or "Unknown SQLite Error Code "N"" for codes outside the
// table.
std::string SQLiteErrorText(int code);

// The general decimal form of a double with up to 15 significant digits and "." as the decimal
// point; an integral value has no point ("3"). Independent of the locale.
std::string FormatFloat(double value);

// A value bound to a statement's parameter: an integer, a floating value or text (UTF-8).
using TSqlValue = std::variant<std::int64_t, double, std::string>;
using TSqlParams = std::vector<TSqlValue>;

enum class TSQLiteKind : std::uint8_t { Integer, Floating, Text, Blob };

// The rows of one query, row after row, read through a forward cursor. Values are kept in the
// text form TextAt gives, decided by each column's kind when the row arrived.
class TSQLiteTable {
 public:
  TSQLiteTable() = default;

  std::size_t RowCount() const { return rowCount_; }
  std::size_t ColumnCount() const { return names_.size(); }
  bool AtEnd() const { return row_ >= rowCount_; }

  // Index of a column, ignoring the case of Latin letters. Raises "Field <name> Not found.
  // Empty dataset" when the result has no columns, "Field not found in dataset: <name>" when
  // the name is unknown.
  std::size_t ColumnIndexOf(std::string_view name) const;
  // Upper-cased name and kind of a column.
  const std::string& ColumnName(std::size_t column) const { return names_.at(column); }
  TSQLiteKind ColumnKind(std::size_t column) const { return kinds_.at(column); }

  // The value in the current row as text: "" for NULL, decimal digits for integers, the
  // FormatFloat form for floating values, text and blob bytes as stored. Raises "Table is at
  // End of File" when AtEnd.
  std::string TextAt(std::size_t column) const;

  // Advances the cursor; false (and no move) when already at the end.
  bool MoveNext();

 private:
  friend class TSQLiteDatabase;
  void Reset();
  void TakeColumns(sqlite3_stmt* statement);
  void AppendRow(sqlite3_stmt* statement);

  std::vector<std::string> names_;
  std::vector<TSQLiteKind> kinds_;
  std::string values_;             // every value's text, back to back
  std::vector<std::size_t> ends_;  // end offset in values_ of each value, row after row
  std::size_t rowCount_ = 0;
  std::size_t row_ = 0;
};

// One open connection. The path is native (UTF-8 on Linux, the ANSI code page on Windows).
class TSQLiteDatabase {
 public:
  // Opens (or creates) the file. Raises "Failed to open database "<path>" : <reason>".
  explicit TSQLiteDatabase(const std::string& path);
  ~TSQLiteDatabase();
  TSQLiteDatabase(const TSQLiteDatabase&) = delete;
  TSQLiteDatabase& operator=(const TSQLiteDatabase&) = delete;

  // Compiles the first statement of the text, binds `params` to its parameters in order and
  // steps it once; it must report completion. Raises on any failure, including a statement
  // that returns rows and a count of values that differs from the statement's parameters.
  void RunStatement(const std::string& sql, const TSqlParams& params = {});

  // Runs a query and returns all its rows; a query without rows gives no rows and no columns.
  std::unique_ptr<TSQLiteTable> RunQuery(const std::string& sql, const TSqlParams& params = {});

  // The same into `rows`, which is emptied first. When a step fails the rows that arrived
  // before it stay in `rows` (cursor at row 0) and the error is raised.
  void RunQuery(const std::string& sql, TSQLiteTable& rows, const TSqlParams& params = {});

  // The key of the row the last successful insert on this connection made.
  std::int64_t LastInsertRowId() const;

  // The connection, for the few loops that keep one compiled statement over many rows
  // (TSQLiteStatement).
  sqlite3* Handle() const { return db_; }

 private:
  sqlite3_stmt* Prepare(const std::string& sql, const TSqlParams& params);
  // The base message, with the connection's error code, its text, the statement and SQLite's
  // message appended when the connection reports an error.
  std::string Describe(const std::string& base, const std::string& sql) const;

  sqlite3* db_ = nullptr;
};

}  // namespace vlmr
