#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/DataManager.h"
#include "store/SQLiteTable.h"
#include "store/StoreFixture.h"

namespace vlmr {
namespace {

using test::TRawDb;

class AccessLayer : public test::TStoreFolder {
 protected:
  void SetUp() override {
    TStoreFolder::SetUp();
    std::filesystem::create_directories(DataFolder());
    manager_ = std::make_unique<TDataManager>("users");
  }
  void TearDown() override {
    manager_.reset();
    TStoreFolder::TearDown();
  }

  TSQLiteDatabase& Db() { return manager_->Database(); }

  std::unique_ptr<TDataManager> manager_;
};

// ---- statement builder ----------------------------------------------------------------------

struct TShapeCase {
  const char* name;
  std::function<bool(TDataManager&)> build;  // composes and runs; returns the run's outcome
  const char* statement;
};

TEST_F(AccessLayer, ComposesStatementsInFieldOrderWithEveryValueBound) {
  Db().RunStatement("create table t(KeyStr TEXT, listcount INTEGER, adddate NUMERIC, a TEXT)");
  Db().RunStatement("create table u(a TEXT)");
  const TShapeCase cases[] = {
      {"insert, names and values in call order",
       [](TDataManager& m) {
         m.AddText("KeyStr", "abc");
         m.AddInteger("listcount", -3);
         m.AddNumber("adddate", 1700000000);
         return m.InsertInto("t");
       },
       "insert into t(KeyStr,listcount,adddate) values (?,?,?)"},
      {"quotes kept, blank name ignored, names trimmed, values kept",
       [](TDataManager& m) {
         m.AddText("KeyStr", "Joe's 'x'");
         m.AddText("   ", "dropped");
         m.AddInteger("", 1);
         m.AddText("  a  ", " padded ");
         return m.InsertInto("t");
       },
       "insert into t(KeyStr,a) values (?,?)"},
      {"update with number and text assignments and a condition",
       [](TDataManager& m) {
         m.SetCondition("  listcount=-3  ");
         m.AddInteger("listcount", 7);
         m.AddText("a", "it's");
         return m.UpdateTable("t");
       },
       "update t set listcount=?,a=? where listcount=-3"},
      {"an empty condition keeps the earlier one",
       [](TDataManager& m) {
         m.SetCondition("listcount=7");
         m.SetCondition("   ");
         m.SetCondition("");
         m.AddNumber("adddate", 2.5);
         return m.UpdateTable("t");
       },
       "update t set adddate=? where listcount=7"},
      {"reset drops the condition",
       [](TDataManager& m) {
         m.SetCondition("listcount=7");
         m.ResetFields();
         m.AddNumber("adddate", 3.0);
         return m.UpdateTable("t");
       },
       "update t set adddate=?"},
      {"delete with a condition",
       [](TDataManager& m) {
         m.SetCondition("KeyStr=?", {std::string("nothing")});
         return m.DeleteFrom("t");
       },
       "delete from t where KeyStr=?"},
      {"delete without a condition", [](TDataManager& m) { return m.DeleteFrom("u"); },
       "delete from u"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    manager_->ResetFields();
    EXPECT_TRUE(c.build(*manager_));
    EXPECT_EQ(manager_->StatementText(), c.statement);
  }
  // What the statements wrote, value by value.
  auto rows = Db().RunQuery("select KeyStr, listcount, adddate, a from t order by rowid");
  ASSERT_EQ(rows->RowCount(), 2u);
  EXPECT_EQ(rows->TextAt(0), "abc");
  EXPECT_EQ(rows->TextAt(1), "7");
  EXPECT_EQ(rows->TextAt(2), "3");
  EXPECT_EQ(rows->TextAt(3), "it's");
  rows->MoveNext();
  EXPECT_EQ(rows->TextAt(0), "Joe's 'x'");
  EXPECT_EQ(rows->TextAt(1), "");
  EXPECT_EQ(rows->TextAt(3), " padded ");
}

TEST_F(AccessLayer, NumberEntriesReadBackInTheGeneralFormAndAnEmptyTableNameDoesNothing) {
  Db().RunStatement("create table t(n REAL, m REAL, k REAL)");
  manager_->AddNumber("n", 1.0 / 3);
  manager_->AddNumber("m", 0.1);
  manager_->AddNumber("k", 1e20);
  ASSERT_EQ(manager_->Fields().size(), 3u);
  ASSERT_TRUE(manager_->InsertInto("t"));
  auto rows = Db().RunQuery("select n, m, k from t");
  EXPECT_EQ(rows->TextAt(0), "0.333333333333333");
  EXPECT_EQ(rows->TextAt(1), "0.1");
  EXPECT_EQ(rows->TextAt(2), "1e+20");
  manager_->ResetFields();
  EXPECT_FALSE(manager_->InsertInto(""));
  EXPECT_FALSE(manager_->UpdateTable(""));
  EXPECT_FALSE(manager_->DeleteFrom(""));
  EXPECT_EQ(manager_->StatementText(), "");
}

TEST_F(AccessLayer, TextWithQuotesIsFoundByABoundConditionAndReadsBackUnchanged) {
  Db().RunStatement("create table t(name TEXT)");
  const std::string name = "O'Brien''s \"shop\"";
  manager_->AddText("name", name);
  ASSERT_TRUE(manager_->InsertInto("t"));
  manager_->ResetFields();
  manager_->SetStatementText("select name from t where name=?", {name});
  auto rows = manager_->QueryStatement();
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->RowCount(), 1u);
  EXPECT_EQ(rows->TextAt(rows->ColumnIndexOf("NAME")), name);
}

TEST_F(AccessLayer, RunSqlRunsOnlyTheFirstStatementAndNeverRaises) {
  Db().RunStatement("create table t(a INTEGER)");
  EXPECT_TRUE(manager_->RunSql("insert into t values(1); drop table t"));
  EXPECT_EQ(Db().RunQuery("select count(*) as n from t")->TextAt(0), "1");
  EXPECT_FALSE(manager_->RunSql("select a from t"));  // returns rows: not a completed statement
  EXPECT_FALSE(manager_->RunSql("insert into missing values(1)"));
  EXPECT_FALSE(manager_->RunSql(""));
  EXPECT_EQ(manager_->StatementText(), "");
}

TEST_F(AccessLayer, QueryStatementWithoutTextRunsNothing) {
  manager_->SetStatementText("");
  EXPECT_EQ(manager_->QueryStatement(), nullptr);
  TSQLiteTable rows;
  EXPECT_FALSE(manager_->QueryStatement(rows));
}

// ---- values as text -------------------------------------------------------------------------

struct TValueCase {
  const char* declared;  // nullptr: an expression without a declared type
  const char* literal;
  std::string text;
};

TEST_F(AccessLayer, TextAtFormsFollowTheDeclaredType) {
  const TValueCase cases[] = {
      {"INTEGER", "1234567890", "1234567890"},
      {"INTEGER", "-42", "-42"},
      {"INTEGER", "9007199254740993", "9007199254740993"},  // no detour through a double
      {"BOOLEAN", "1", "1"},
      {"NUMERIC", "3", "3"},
      {"NUMERIC", "2.5", "2.5"},
      {"REAL", "3.0", "3"},
      {"DOUBLE", "0.1", "0.1"},
      {"FLOAT", "1.0/3", "0.333333333333333"},
      {"REAL", "123456789012345678", "1.23456789012346e+17"},
      {"REAL", "-0.00001", "-1e-05"},
      {"TEXT", "'abc'", "abc"},
      {"TEXT", "5", "5"},
      {"DOUBLE PRECISION", "3.0", "3.0"},  // not one of the listed types: SQLite's text form
      {"VARCHAR(20)", "'x''y'", "x'y"},
      {"INTEGER", "NULL", ""},
      {"TEXT", "NULL", ""},
      {"BLOB", "x'410042'", std::string("A\0B", 3)},
      {nullptr, "7", "7"},
      {nullptr, "2.50", "2.5"},
      {nullptr, "'text'", "text"},
      {nullptr, "NULL", ""},
  };
  int n = 0;
  for (const auto& c : cases) {
    std::string query;
    if (c.declared) {
      std::string table = "v" + std::to_string(n++);
      Db().RunStatement("create table " + table + "(x " + c.declared + ")");
      Db().RunStatement("insert into " + table + " values(" + c.literal + ")");
      query = "select x from " + table;
    } else {
      query = std::string("select ") + c.literal + " as x";
    }
    SCOPED_TRACE(query);
    auto rows = Db().RunQuery(query);
    ASSERT_EQ(rows->RowCount(), 1u);
    EXPECT_EQ(rows->TextAt(rows->ColumnIndexOf("x")), c.text);
  }
}

TEST_F(AccessLayer, AnExpressionColumnTakesItsKindFromTheFirstRow) {
  auto rows = Db().RunQuery("select column1 as v from (values (1), (2.75), ('4'))");
  ASSERT_EQ(rows->RowCount(), 3u);
  EXPECT_EQ(rows->ColumnKind(0), TSQLiteKind::Integer);
  std::vector<std::string> seen;
  for (; !rows->AtEnd(); rows->MoveNext()) {
    seen.push_back(rows->TextAt(0));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "4"}));
  EXPECT_FALSE(rows->MoveNext());
}

TEST_F(AccessLayer, EmptyResultsAndTheMaximumOfAnEmptyTable) {
  Db().RunStatement("create table tbl_list(ListID INTEGER PRIMARY KEY, ComName TEXT)");
  auto none = Db().RunQuery("select * from tbl_list");
  EXPECT_EQ(none->RowCount(), 0u);
  EXPECT_EQ(none->ColumnCount(), 0u);
  EXPECT_TRUE(none->AtEnd());
  EXPECT_FALSE(none->MoveNext());

  auto max = Db().RunQuery("select max(ListID) as id from tbl_list");
  ASSERT_EQ(max->RowCount(), 1u);
  EXPECT_EQ(max->TextAt(max->ColumnIndexOf("ID")), "");
}

// ---- errors ---------------------------------------------------------------------------------

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const ESQLiteException& e) {
    return e.what();
  }
  return "(no exception)";
}

TEST_F(AccessLayer, ErrorMessagesNameTheSituationAndCarrySQLitesDetail) {
  Db().RunStatement("create table t(ID INTEGER, u INTEGER UNIQUE)");
  Db().RunStatement("insert into t values(1, 1)");
  struct TCase {
    const char* name;
    std::function<void()> action;
    std::string message;
  } cases[] = {
      {"unknown field", [&] { Db().RunQuery("select ID from t")->ColumnIndexOf("nope"); },
       "Field not found in dataset: nope"},
      {"field of an empty dataset",
       [&] { Db().RunQuery("select ID from t where 0")->ColumnIndexOf("ID"); },
       "Field ID Not found. Empty dataset"},
      {"value read past the end",
       [&] {
         auto rows = Db().RunQuery("select ID from t");
         rows->MoveNext();
         rows->TextAt(0);
       },
       "Table is at End of File"},
      {"statement that does not compile", [&] { Db().RunQuery("selec 1"); },
       "Error executing SQL.\rError [1]: SQL error or missing database.\r\"selec 1\": near "
       "\"selec\": syntax error"},
      {"text without a statement", [&] { Db().RunStatement("-- only a comment"); },
       "Could not prepare SQL statement"},
      {"statement that returns rows, run as a statement",
       [&] { Db().RunStatement("select ID from t"); }, "Error executing SQL statement"},
      {"statement whose step fails", [&] { Db().RunStatement("insert into t values(2, 1)"); },
       "Error executing SQL statement.\rError [19]: Abort due to contraint violation.\r\"insert "
       "into t values(2, 1)\": UNIQUE constraint failed: t.u"},
      {"query whose step fails",
       [&] { Db().RunQuery("select abs(-9223372036854775807 - 1 + ID - 1) from t"); },
       "Could not retrieve data.\rError [1]: SQL error or missing database.\r\"select "
       "abs(-9223372036854775807 - 1 + ID - 1) from t\": integer overflow"},
      {"file that cannot be opened", [&] { TSQLiteDatabase(folder_ + "/missing/users"); },
       "Failed to open database \"" + folder_ + "/missing/users\" : unable to open database file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MessageOf(c.action), c.message);
  }
}

TEST_F(AccessLayer, AQueryWhoseStepFailsKeepsTheRowsBeforeIt) {
  Db().RunStatement("create table t(a INTEGER)");
  for (int i = 1; i <= 12; ++i) {
    Db().RunStatement("insert into t values(" + std::to_string(i) + ")");
  }
  manager_->SetStatementText(
      "select a, case when a = 10 then abs(-9223372036854775807 - 1) end as bad from t");
  TSQLiteTable rows;
  EXPECT_THROW(manager_->QueryStatement(rows), ESQLiteException);
  ASSERT_EQ(rows.RowCount(), 9u);
  EXPECT_EQ(rows.TextAt(0), "1");
  EXPECT_THROW(manager_->QueryStatement(), ESQLiteException);
}

TEST_F(AccessLayer, ALockedDatabaseFailsAtOnce) {
  Db().RunStatement("create table t(a INTEGER)");
  Db().RunQuery("select a from t");  // the schema is read: the lock is met by the step
  TRawDb other(DatabasePath());
  other.Exec("begin exclusive");
  EXPECT_EQ(MessageOf([&] { Db().RunQuery("select a from t"); }),
            "Could not prepare SQL statement");
  EXPECT_FALSE(manager_->RunSql("insert into t values(1)"));
  other.Exec("rollback");
  EXPECT_TRUE(manager_->RunSql("insert into t values(1)"));
}

TEST(SQLiteErrorText, CoversTheTableAndNamesUnknownCodes) {
  const std::pair<int, const char*> cases[] = {
      {0, "Successful result"},
      {5, "The database file is locked"},
      {19, "Abort due to contraint violation"},
      {26, "File opened that is not a database file"},
      {100, "sqlite3_step() has another row ready"},
      {101, "sqlite3_step() has finished executing"},
      {27, "Unknown SQLite Error Code \"27\""},
      {-1, "Unknown SQLite Error Code \"-1\""},
  };
  for (const auto& [code, text] : cases) {
    EXPECT_EQ(SQLiteErrorText(code), text) << code;
  }
}

TEST(ToInt32, AcceptsWholeDecimalNumbersOnly) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"0", 0},          {"42", 42}, {"-7", -7}, {"+5", 5},  {"2147483647", 2147483647},
      {"2147483648", 0}, {"", 0},    {" 1", 0},  {"1.5", 0}, {"1e3", 0},
      {"+-1", 0},        {"abc", 0},
  };
  for (const auto& [text, value] : cases) {
    EXPECT_EQ(ToInt32(text), value) << text;
  }
}

}  // namespace
}  // namespace vlmr
