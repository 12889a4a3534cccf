// Shared pieces of the store tests: a program folder of its own per test, a UI queue, and a
// second, raw connection to look at (and tamper with) the database file directly.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/Dispatcher.h"
#include "base/Text.h"
#include "base/Thread.h"
#include "base/Utils.h"
#include "support/TestText.h"

namespace vlmr::test {

inline constexpr int kWait = 20000;  // upper bound only; waits end as soon as they can

// A raw connection to a database file, independent of the code under test.
class TRawDb {
 public:
  explicit TRawDb(const std::string& path) {
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
      ADD_FAILURE() << "cannot open " << path;
    }
  }
  ~TRawDb() { sqlite3_close(db_); }
  TRawDb(const TRawDb&) = delete;
  TRawDb& operator=(const TRawDb&) = delete;

  void Exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      ADD_FAILURE() << sql << ": " << (error ? error : "?");
    }
    sqlite3_free(error);
  }

  // Every row, each value as SQLite's text form (nullopt for NULL).
  std::vector<std::vector<std::optional<std::string>>> Rows(const std::string& sql) {
    std::vector<std::vector<std::optional<std::string>>> rows;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
      return rows;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
      auto& row = rows.emplace_back();
      for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        const unsigned char* text = sqlite3_column_text(statement, i);
        if (text) {
          row.emplace_back(
              std::string(reinterpret_cast<const char*>(text),
                          static_cast<std::size_t>(sqlite3_column_bytes(statement, i))));
        } else {
          row.emplace_back(std::nullopt);
        }
      }
    }
    sqlite3_finalize(statement);
    return rows;
  }

  // The first value of the first row, "" when there is none or it is NULL.
  std::string Value(const std::string& sql) {
    auto rows = Rows(sql);
    if (rows.empty() || rows[0].empty() || !rows[0][0]) {
      return {};
    }
    return *rows[0][0];
  }

  sqlite3* Handle() { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

// A fresh program folder per test (AppFolder points at it) and a UI queue on this thread.
class TStoreFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "vlmr-store-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    SetAppFolderOverride(folder_);
  }

  void TearDown() override {
    // Loaders still running must end (their end notifications need this queue).
    EXPECT_TRUE(ui_->ProcessUntil([] { return TWorkerRegistry::Count() == 0; }, kWait));
    SetAppFolderOverride("");
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  std::string DataFolder() const { return folder_ + "/Data"; }
  std::string DatabasePath() const { return DataFolder() + "/users"; }

  // Runs UI calls until `done` holds.
  bool PumpUntil(const std::function<bool()>& done) { return ui_->ProcessUntil(done, kWait); }
  bool PumpUntilNoWorkers() {
    return PumpUntil([] { return TWorkerRegistry::Count() == 0; });
  }

  TScopedQueueDispatcher ui_;
  std::string folder_;
};

}  // namespace vlmr::test
