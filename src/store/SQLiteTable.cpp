#include "store/SQLiteTable.h"

#include <sqlite3.h>

#include <array>
#include <charconv>
#include <climits>
#include <cstring>
#include <system_error>

#include "base/Text.h"

namespace vlmr {
namespace {

const char* const kCodeTexts[] = {
    "Successful result",
    "SQL error or missing database",
    "An internal logic error in SQLite",
    "Access permission denied",
    "Callback routine requested an abort",
    "The database file is locked",
    "A table in the database is locked",
    "A malloc() failed",
    "Attempt to write a readonly database",
    "Operation terminated by sqlite3_interrupt()",
    "Some kind of disk I/O error occurred",
    "The database disk image is malformed",
    "(Internal Only) Table or record not found",
    "Insertion failed because database is full",
    "Unable to open the database file",
    "Database lock protocol error",
    "Database is empty",
    "The database schema changed",
    "Too much data for one row of a table",
    "Abort due to contraint violation",
    "Data type mismatch",
    "Library used incorrectly",
    "Uses OS features not supported on host",
    "Authorization denied",
    "Auxiliary database format error",
    "2nd parameter to sqlite3_bind out of range",
    "File opened that is not a database file",
};

std::string IntegerText(std::int64_t value) {
  std::array<char, 24> buffer;
  auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), result.ptr);
}

// The kind a column's values are read as, from its declared type (compared exactly), or from
// the first row's value when the column has no declared type (an expression).
TSQLiteKind KindOf(sqlite3_stmt* statement, int column) {
  if (const char* declared = sqlite3_column_decltype(statement, column)) {
    std::string_view type(declared);
    if (type == "INTEGER" || type == "BOOLEAN") {
      return TSQLiteKind::Integer;
    }
    if (type == "NUMERIC" || type == "FLOAT" || type == "DOUBLE" || type == "REAL") {
      return TSQLiteKind::Floating;
    }
    if (type == "BLOB") {
      return TSQLiteKind::Blob;
    }
    return TSQLiteKind::Text;
  }
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
      return TSQLiteKind::Integer;
    case SQLITE_FLOAT:
      return TSQLiteKind::Floating;
    case SQLITE_BLOB:
      return TSQLiteKind::Blob;
    default:
      return TSQLiteKind::Text;
  }
}

}  // namespace

std::string SQLiteErrorText(int code) {
  if (code >= 0 && code < static_cast<int>(std::size(kCodeTexts))) {
    return kCodeTexts[code];
  }
  if (code == SQLITE_ROW) {
    return "sqlite3_step() has another row ready";
  }
  if (code == SQLITE_DONE) {
    return "sqlite3_step() has finished executing";
  }
  return "Unknown SQLite Error Code \"" + IntegerText(code) + "\"";
}

std::string FormatFloat(double value) {
  std::array<char, 64> buffer;
  auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                              std::chars_format::general, 15);
  return std::string(buffer.data(), result.ptr);
}

// ---- TSQLiteTable -------------------------------------------------------------------------

std::size_t TSQLiteTable::ColumnIndexOf(std::string_view name) const {
  if (names_.empty()) {
    throw ESQLiteException("Field " + std::string(name) + " Not found. Empty dataset");
  }
  std::string upper = GbkUpper(name);
  for (std::size_t i = 0; i < names_.size(); ++i) {
    if (names_[i] == upper) {
      return i;
    }
  }
  throw ESQLiteException("Field not found in dataset: " + std::string(name));
}

std::string TSQLiteTable::TextAt(std::size_t column) const {
  if (AtEnd()) {
    throw ESQLiteException("Table is at End of File");
  }
  if (column >= names_.size()) {
    throw ESQLiteException("Field index out of range: " +
                           IntegerText(static_cast<std::int64_t>(column)));
  }
  std::size_t index = row_ * names_.size() + column;
  std::size_t begin = index == 0 ? 0 : ends_[index - 1];
  return values_.substr(begin, ends_[index] - begin);
}

bool TSQLiteTable::MoveNext() {
  if (AtEnd()) {
    return false;
  }
  ++row_;
  return true;
}

void TSQLiteTable::Reset() {
  names_.clear();
  kinds_.clear();
  values_.clear();
  ends_.clear();
  rowCount_ = 0;
  row_ = 0;
}

void TSQLiteTable::TakeColumns(sqlite3_stmt* statement) {
  int count = sqlite3_column_count(statement);
  for (int i = 0; i < count; ++i) {
    const char* name = sqlite3_column_name(statement, i);
    names_.push_back(GbkUpper(name ? name : ""));
    kinds_.push_back(KindOf(statement, i));
  }
}

void TSQLiteTable::AppendRow(sqlite3_stmt* statement) {
  for (std::size_t i = 0; i < names_.size(); ++i) {
    int column = static_cast<int>(i);
    if (sqlite3_column_type(statement, column) != SQLITE_NULL) {
      switch (kinds_[i]) {
        case TSQLiteKind::Integer:
          values_ += IntegerText(sqlite3_column_int64(statement, column));
          break;
        case TSQLiteKind::Floating:
          values_ += FormatFloat(sqlite3_column_double(statement, column));
          break;
        case TSQLiteKind::Text: {
          const unsigned char* text = sqlite3_column_text(statement, column);
          if (text) {
            values_.append(reinterpret_cast<const char*>(text),
                           static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
          }
          break;
        }
        case TSQLiteKind::Blob: {
          const void* blob = sqlite3_column_blob(statement, column);
          if (blob) {
            values_.append(static_cast<const char*>(blob),
                           static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
          }
          break;
        }
      }
    }
    ends_.push_back(values_.size());
  }
  ++rowCount_;
}

// ---- TSQLiteDatabase ----------------------------------------------------------------------

TSQLiteDatabase::TSQLiteDatabase(const std::string& path) {
#ifdef _WIN32
  std::string pathUtf8 = GbkToUtf8(path);
#else
  const std::string& pathUtf8 = path;
#endif
  int rc = sqlite3_open(pathUtf8.c_str(), &db_);
  if (rc != SQLITE_OK) {
    std::string reason = db_ ? sqlite3_errmsg(db_) : "unknown error";
    if (db_) {
      sqlite3_close(db_);
      db_ = nullptr;
    }
    throw ESQLiteException("Failed to open database \"" + path + "\" : " + reason);
  }
}

TSQLiteDatabase::~TSQLiteDatabase() {
  sqlite3_close(db_);
}

std::string TSQLiteDatabase::Describe(const std::string& base, const std::string& sql) const {
  int code = sqlite3_errcode(db_);
  const char* message = sqlite3_errmsg(db_);
  if (code == SQLITE_OK || !message) {
    return base;
  }
  return base + ".\rError [" + IntegerText(code) + "]: " + SQLiteErrorText(code) + ".\r\"" + sql +
         "\": " + message;
}

sqlite3_stmt* TSQLiteDatabase::Prepare(const std::string& sql, const TSqlParams& params) {
  if (sql.size() > static_cast<std::size_t>(INT_MAX)) {
    throw ESQLiteException("Error executing SQL");
  }
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = Describe("Error executing SQL", sql);
    sqlite3_finalize(statement);
    throw ESQLiteException(message);
  }
  if (!statement) {
    throw ESQLiteException(Describe("Could not prepare SQL statement", sql));
  }
  if (static_cast<std::size_t>(sqlite3_bind_parameter_count(statement)) != params.size()) {
    sqlite3_finalize(statement);
    throw ESQLiteException("Wrong number of values for the statement's parameters: \"" + sql +
                           "\"");
  }
  for (std::size_t i = 0; i < params.size(); ++i) {
    const int at = static_cast<int>(i) + 1;
    if (const auto* integer = std::get_if<std::int64_t>(&params[i])) {
      rc = sqlite3_bind_int64(statement, at, *integer);
    } else if (const auto* floating = std::get_if<double>(&params[i])) {
      rc = sqlite3_bind_double(statement, at, *floating);
    } else {
      const std::string& text = std::get<std::string>(params[i]);
      rc = sqlite3_bind_text64(statement, at, text.data(), text.size(), SQLITE_TRANSIENT,
                               SQLITE_UTF8);
    }
    if (rc != SQLITE_OK) {
      std::string message = Describe("Could not bind a value", sql);
      sqlite3_finalize(statement);
      throw ESQLiteException(message);
    }
  }
  return statement;
}

void TSQLiteDatabase::RunStatement(const std::string& sql, const TSqlParams& params) {
  sqlite3_stmt* statement = Prepare(sql, params);
  int rc = sqlite3_step(statement);
  if (rc != SQLITE_DONE) {
    sqlite3_reset(statement);
    std::string message = Describe("Error executing SQL statement", sql);
    sqlite3_finalize(statement);
    throw ESQLiteException(message);
  }
  sqlite3_finalize(statement);
}

std::unique_ptr<TSQLiteTable> TSQLiteDatabase::RunQuery(const std::string& sql,
                                                        const TSqlParams& params) {
  auto rows = std::make_unique<TSQLiteTable>();
  RunQuery(sql, *rows, params);
  return rows;
}

void TSQLiteDatabase::RunQuery(const std::string& sql, TSQLiteTable& rows,
                               const TSqlParams& params) {
  rows.Reset();
  sqlite3_stmt* statement = Prepare(sql, params);
  try {
    while (true) {
      int rc = sqlite3_step(statement);
      if (rc == SQLITE_DONE) {
        break;
      }
      if (rc == SQLITE_BUSY) {
        throw ESQLiteException("Could not prepare SQL statement");
      }
      if (rc != SQLITE_ROW) {
        sqlite3_reset(statement);
        throw ESQLiteException(Describe("Could not retrieve data", sql));
      }
      if (rows.rowCount_ == 0) {
        rows.TakeColumns(statement);
      }
      rows.AppendRow(statement);
    }
  } catch (...) {
    rows.row_ = 0;
    sqlite3_finalize(statement);
    throw;
  }
  rows.row_ = 0;
  sqlite3_finalize(statement);
}

std::int64_t TSQLiteDatabase::LastInsertRowId() const {
  return sqlite3_last_insert_rowid(db_);
}

}  // namespace vlmr
