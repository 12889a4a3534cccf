#include "store/NumberIndex.h"

#include <sqlite3.h>

#include <algorithm>

#include "base/Text.h"
#include "engine/records/NumberDigits.h"
#include "store/DataThread.h"

namespace vlmr {
namespace {

// One compiled statement, run again and again with new values.
class TStatement {
 public:
  TStatement(TSQLiteDatabase& database, const char* sql) : db_(database.Handle()) {
    if (sqlite3_prepare_v2(db_, sql, -1, &statement_, nullptr) != SQLITE_OK || !statement_) {
      std::string message = std::string("Error executing SQL: ") + sqlite3_errmsg(db_);
      sqlite3_finalize(statement_);
      throw ESQLiteException(message);
    }
  }
  ~TStatement() { sqlite3_finalize(statement_); }
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;

  TStatement& Bind(int at, std::string_view text) {
    Check(sqlite3_bind_text(statement_, at, text.data(), static_cast<int>(text.size()),
                            SQLITE_TRANSIENT));
    return *this;
  }
  // True while a row is there; false once the statement is done.
  bool Step() {
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) {
      return true;
    }
    if (rc != SQLITE_DONE) {
      Check(rc);
    }
    return false;
  }
  // Runs the statement to its end and makes it ready for new values.
  void Run() {
    while (Step()) {
    }
    Reset();
  }
  void Reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
  std::string_view Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return text ? std::string_view(
                      text, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                : std::string_view();
  }
  std::int64_t Integer(int column) const { return sqlite3_column_int64(statement_, column); }

 private:
  void Check(int rc) const {
    if (rc != SQLITE_OK) {
      sqlite3_reset(statement_);
      throw ESQLiteException(std::string("Error executing SQL statement: ") + sqlite3_errmsg(db_));
    }
  }

  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

constexpr const char* kInsert = "insert or ignore into tbl_number(num,name) values(?,?)";
constexpr const char* kCount = "select count(*) from tbl_number where num=?";

std::string NameKey(std::string_view nameUtf8) {
  return Trim(nameUtf8);
}

void AddDigits(std::vector<std::string>& digits, const TUniqueStringList& numbers) {
  for (const auto& number : numbers) {
    std::string key = NumberDigits(number);
    if (!key.empty() && std::find(digits.begin(), digits.end(), key) == digits.end()) {
      digits.push_back(std::move(key));
    }
  }
}

}  // namespace

void CreateNumberIndex(TSQLiteDatabase& database) {
  database.RunStatement(
      "create table if not exists tbl_number(num TEXT NOT NULL,name TEXT NOT NULL,"
      "primary key(num,name)) without rowid");
  database.RunStatement("create index if not exists idx_number_name on tbl_number(name)");
  database.RunStatement(
      "create table if not exists tbl_shared(num TEXT NOT NULL PRIMARY KEY) without rowid");
}

std::vector<std::string> CompanyNumberDigits(const TComPanyInfo& company) {
  std::vector<std::string> digits;
  AddDigits(digits, company.tels);
  AddDigits(digits, company.mobiles);
  return digits;
}

void RebuildNumberIndex(TSQLiteDatabase& database,
                        const std::function<void(std::int64_t, std::int64_t)>& progress) {
  std::int64_t total = 0;
  {
    TStatement count(database, "select count(*) from tbl_list");
    if (count.Step()) {
      total = count.Integer(0);
    }
  }
  database.RunStatement("delete from tbl_number");
  database.RunStatement("delete from tbl_shared");
  TStatement rows(database, "select ComName,Tel,mob from tbl_list");
  TStatement insert(database, kInsert);
  std::int64_t done = 0;
  while (rows.Step()) {
    const std::string name = NameKey(rows.Text(0));
    for (int column : {1, 2}) {
      for (const auto& value : SplitStoredValues(rows.Text(column))) {
        std::string key = NumberDigits(value);
        if (!key.empty()) {
          insert.Bind(1, key).Bind(2, name).Run();
        }
      }
    }
    if (++done % 8192 == 0 && progress) {
      progress(done, total);
    }
  }
  database.RunStatement(
      "insert into tbl_shared select num from tbl_number group by num having count(*)>=" +
      std::to_string(kSharedCompanies));
  if (progress) {
    progress(done, total);
  }
}

std::vector<std::string> AddToNumberIndex(TSQLiteDatabase& database, std::string_view nameUtf8,
                                          const std::vector<std::string>& digits,
                                          const std::unordered_set<std::string>& shared) {
  std::vector<std::string> nowShared;
  if (digits.empty()) {
    return nowShared;
  }
  const std::string name = NameKey(nameUtf8);
  TStatement insert(database, kInsert);
  TStatement count(database, kCount);
  for (const auto& number : digits) {
    insert.Bind(1, number).Bind(2, name).Run();
    if (shared.count(number)) {
      continue;
    }
    count.Bind(1, number);
    const std::int64_t holders = count.Step() ? count.Integer(0) : 0;
    count.Reset();
    if (holders >= kSharedCompanies) {
      TStatement(database, "insert or ignore into tbl_shared(num) values(?)").Bind(1, number).Run();
      nowShared.push_back(number);
    }
  }
  return nowShared;
}

void RemoveFromNumberIndex(TSQLiteDatabase& database, const std::vector<std::string>& namesUtf8,
                           std::unordered_set<std::string>& shared) {
  std::vector<std::string> numbers;
  {
    TStatement held(database, "select num from tbl_number where name=?");
    TStatement remove(database, "delete from tbl_number where name=?");
    for (const auto& nameUtf8 : namesUtf8) {
      const std::string name = NameKey(nameUtf8);
      held.Bind(1, name);
      while (held.Step()) {
        std::string number(held.Text(0));
        if (shared.count(number)) {
          numbers.push_back(std::move(number));
        }
      }
      held.Reset();
      remove.Bind(1, name).Run();
    }
  }
  TStatement count(database, kCount);
  TStatement unshare(database, "delete from tbl_shared where num=?");
  for (const auto& number : numbers) {
    count.Bind(1, number);
    const std::int64_t holders = count.Step() ? count.Integer(0) : 0;
    count.Reset();
    if (holders < kSharedCompanies) {
      unshare.Bind(1, number).Run();
      shared.erase(number);
    }
  }
}

std::int64_t CompaniesHolding(TSQLiteDatabase& database, std::string_view digits) {
  TStatement count(database, kCount);
  count.Bind(1, digits);
  return count.Step() ? count.Integer(0) : 0;
}

std::unordered_set<std::string> ReadSharedNumbers(TSQLiteDatabase& database) {
  std::unordered_set<std::string> shared;
  TStatement rows(database, "select num from tbl_shared");
  while (rows.Step()) {
    shared.emplace(rows.Text(0));
  }
  return shared;
}

}  // namespace vlmr
