// Which companies hold each stored number, so that a number many companies share (a platform's,
// an agent's, a directory's) is known without scanning the companies.
//
// Table tbl_number holds one row per number (its digits, NumberDigits) and company name (the
// stored ComName, trimmed); a company's two records under one name are one row. A number held by
// kSharedCompanies or more names is shared; table tbl_shared lists those numbers, so that the
// program reads them at start without counting. Every function runs on the caller's connection
// and raises ESQLiteException on a failure; the caller holds the store's lock and its
// transaction.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "engine/records/KeyUnit.h"
#include "store/SQLiteTable.h"

namespace vlmr {

inline constexpr std::int64_t kSharedCompanies = 3;

// Creates the two tables and their index when missing.
void CreateNumberIndex(TSQLiteDatabase& database);

// The digits of a company's landlines and mobiles, each once, the empty ones left out.
std::vector<std::string> CompanyNumberDigits(const TComPanyInfo& company);

// Fills the index from every company of tbl_list (a file from before the index), then lists the
// shared numbers. `progress(done, total)` is called every few thousand rows and at the end.
void RebuildNumberIndex(TSQLiteDatabase& database,
                        const std::function<void(std::int64_t, std::int64_t)>& progress = {});

// Adds a company's numbers under its name (`shared` holds the numbers shared already); gives the
// numbers that became shared through it, which tbl_shared now lists too.
std::vector<std::string> AddToNumberIndex(TSQLiteDatabase& database, std::string_view nameUtf8,
                                          const std::vector<std::string>& digits,
                                          const std::unordered_set<std::string>& shared);

// Removes every company of `names` from the index; the numbers that are no longer shared leave
// `shared` (and tbl_shared).
void RemoveFromNumberIndex(TSQLiteDatabase& database, const std::vector<std::string>& namesUtf8,
                           std::unordered_set<std::string>& shared);

// How many company names hold the number's digits.
std::int64_t CompaniesHolding(TSQLiteDatabase& database, std::string_view digits);

// The shared numbers, as tbl_shared lists them.
std::unordered_set<std::string> ReadSharedNumbers(TSQLiteDatabase& database);

}  // namespace vlmr
