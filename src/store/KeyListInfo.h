// The keyword store: every keyword task with its progress per engine, and the companies found
// for it, kept in Data/users (tables tbl_key and tbl_list, text as UTF-8) and, once loaded,
// in memory as TKeyData records (text as GBK).
//
// It lives on the UI thread; its events are raised there. A keyword's companies are read by
// a loader thread (TDataThread) the first time something needs them, in batches the store
// takes on the UI thread as they arrive (OnCompaniesArriving shows them early); its list is
// complete once the loader's end notification has merged them with the companies saved and
// deleted meanwhile, so the company lists are only ever touched on the UI thread. Companies are
// stored at most once across all keywords (by name), only with a mobile number; after three page
// reports without a new company the next one is refused.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/LifeLink.h"
#include "engine/records/KeyUnit.h"
#include "export/ExportFields.h"
#include "export/ExportFormat.h"
#include "store/CompanyList.h"
#include "store/DataThread.h"
#include "store/ResultFilter.h"

namespace vlmr {

// The outcome of a store command that writes: ok, or the error that stopped it (nothing was
// written then, in memory or in the file).
struct TStoreResult {
  bool ok = true;
  std::string error;
  explicit operator bool() const { return ok; }
};

// What is done once a keyword's companies are loaded.
enum class TPendingAction : std::uint8_t {
  Show,    // show them
  Start,   // show them and start the keyword's task
  Export,  // open the export of the keyword
  Stop,    // stop the task; never starts a load
};

// The seconds `adddate` holds: from 1970-01-01 00:00:00 to the local wall-clock time read as
// if it were UTC, rounded to the nearest second.
std::int64_t LocalWallClockSeconds();

// One keyword, owned by the store.
class TKeyData {
 public:
  TKeyData() = default;
  TKeyData(const TKeyData&) = delete;
  TKeyData& operator=(const TKeyData&) = delete;

  std::string Id = "0";  // ID of its tbl_key row
  std::string Keyword;   // GBK
  std::int32_t ListCount = 0;
  std::int64_t AddDate = 0;   // creation, then latest saved company (LocalWallClockSeconds)
  std::int32_t LastPage = 0;  // engine 0, 1, 2
  std::int32_t SgLastPage = 0;
  std::int32_t S360LastPage = 0;
  bool LoadStarted = false;  // the list was loaded or its load began; never cleared
  TPendingAction PendingAction = TPendingAction::Show;
  TCompanyList Companies;
  std::string StatusText;
  std::int8_t PageReportsSinceSave = 0;

  std::int32_t LastPageOf(TEngineIndex engine) const;
  // True while a loader reads this keyword's companies.
  bool LoadRunning() const { return loadRunning_; }

 private:
  friend class TKeyListInfo;
  std::uint64_t serial_ = 0;  // tells a record from a later one with the same keyword
  bool loadRunning_ = false;
  std::unordered_set<std::string> deletedWhileLoading_;
  TCompanyList loading_;                  // the rows a running load has handed over so far
  std::shared_ptr<TLoadedRows> arrived_;  // the running load's rows not taken yet
};

class TKeyListInfo {
 public:
  using TKeywordAdded = std::function<void(TKeyListInfo& sender, TKeyData& record)>;
  using TCompaniesLoaded = std::function<void(TKeyListInfo& sender, const std::string& keyword)>;
  using TCompanySaved = std::function<void(TKeyListInfo& sender, const std::string& keyword,
                                           const std::shared_ptr<TComPanyInfo>& company)>;
  // A running load's rows so far (`rows`, in the order of the file, without the companies
  // deleted meanwhile); those from `from` on are new. The complete list follows with
  // OnCompaniesLoaded, which may order the companies saved meanwhile differently.
  using TCompaniesArriving = std::function<void(TKeyListInfo& sender, const std::string& keyword,
                                                const TCompanyList& rows, std::size_t from)>;
  using TExportWriter = std::function<bool(const TKeyData& record, const std::string& fileName,
                                           const TExportFields& fields, TExportFormat format)>;
  using TClock = std::function<std::int64_t()>;
  // How far the upgrade of an older file is: companies done and their total.
  using TUpgradeProgress = std::function<void(std::int64_t done, std::int64_t total)>;

  // Opens (or creates) Data/users in the program folder, creating the folder, the tables and
  // their indexes when missing, and upgrades older files (UpgradeSchema). Raises
  // ESQLiteException when the file cannot be opened or read. `clock` gives `adddate` values
  // (LocalWallClockSeconds by default); `progress` hears how far an upgrade is.
  explicit TKeyListInfo(TClock clock = {}, const TUpgradeProgress& progress = {});
  // Closes the database at once. A loader still running finds the builder gone and its end
  // notification finds the store gone; neither touches freed memory.
  ~TKeyListInfo();
  TKeyListInfo(const TKeyListInfo&) = delete;
  TKeyListInfo& operator=(const TKeyListInfo&) = delete;

  // Adds the columns later versions brought to a file that lacks them (the real columns, read
  // with PRAGMA table_info), fills the number index from the stored companies, then records the
  // schema's version in the file's user_version; a file that already records it is left alone.
  // Regions of rows stored before them are not written: the loader computes them (RegionRule).
  void UpgradeSchema(const TUpgradeProgress& progress = {});
  // Makes a record for each tbl_key row, in ID order, raising OnKeywordAdded for each. Once.
  void LoadKeywords();

  // The record of a new keyword (inserted, OnKeywordAdded raised) or of the existing one equal
  // to it ignoring Latin case; nothing for an empty keyword or when the insert fails.
  TKeyData* AddKeyword(const std::string& keyword);
  TKeyData* FindKeyword(std::string_view keyword) const;
  // ID of the keyword's tbl_key row (exact text), or "0".
  std::string LookupKeywordId(const std::string& keyword);

  // Keeps a copy of a reported company when it has a mobile number, its keyword is known and
  // its name is not stored under any keyword; raises OnCompanySaved with the copy. A copy
  // without a region gets one from RegionRule; its numbers join the number index (a number now
  // held by three names joins SharedNumbers). The row and
  // the keyword's count are written in one transaction: a failure writes neither, changes
  // nothing in memory and comes back with its text. A company not kept for one of the reasons
  // above is no failure.
  TStoreResult SaveCompany(const std::string& keyword, const TComPanyInfo& company);
  // Records an engine's page; false (nothing written) for an unknown keyword, or when three
  // reports were accepted since the keyword's last saved company.
  bool RecordPageReport(const std::string& keyword, std::int32_t page, TEngineIndex engine);
  // Writes the page an engine's collector ended on; memory and the report count stay.
  void StoreLastPage(const std::string& keyword, std::int32_t page, TEngineIndex engine);
  void SetStatusText(const std::string& keyword, const std::string& text);

  const TCompanyList* CompanyListOf(std::string_view keyword) const;
  // The record when its companies are loaded (or, for Stop, loading). Otherwise it records
  // `action` for the load's end, starts the load unless one runs or the action is Stop, and
  // returns nothing.
  TKeyData* RequestKeyword(const std::string& keyword, TPendingAction action);
  TPendingAction TakePendingAction(const std::string& keyword);
  // While a loader runs for the keyword its end answers this call too. Otherwise raises
  // OnCompaniesLoaded at once when the list is not empty, or starts a loader and raises the
  // event when it has ended, after its records are in the list.
  void LoadCompanies(const std::string& keyword);

  void DeleteCompany(const std::string& keyword, const std::string& listId);
  void DeleteKeyword(const std::string& keyword);
  void DeleteAllKeywords();
  std::int64_t TotalCompanyCount() const;

  // Asks every running loader to end at its next batch (handing over what it read): for the
  // program's end, which then need not wait for a long load. Loads started later stop at once.
  void StopLoads();

  // Writes the keyword's companies that match `filter` through ExportWriter (from the start,
  // the export layer's file writer); with `noShared` without their shared numbers (see
  // ExportSelection). False when the keyword is unknown, nothing is left to write, no writer is
  // set, or the writer fails.
  bool ExportKeyword(const std::string& keyword, const std::string& fileName,
                     const TExportFields& fields, TExportFormat format,
                     const TResultFilter& filter = {}, bool noShared = false);

  const std::vector<std::unique_ptr<TKeyData>>& Keywords() const { return keywords_; }

  // The digits (NumberDigits) of every number three or more companies of different names hold.
  const std::unordered_set<std::string>& SharedNumbers() const { return shared_; }
  bool IsSharedNumber(std::string_view written) const;

  // The region rule for saved companies and for rows stored before regions; none leaves regions
  // as they come. Set by the program before the first save or load.
  TRegionRule RegionRule;

  TKeywordAdded OnKeywordAdded;
  TCompaniesLoaded OnCompaniesLoaded;
  TCompaniesArriving OnCompaniesArriving;
  TCompanySaved OnCompanySaved;
  TExportWriter ExportWriter;

 private:
  TDataManager& Builder() { return *gate_->builder; }
  TKeyData& Append(std::unique_ptr<TKeyData> record);
  void Remove(TKeyData* record);
  // Moves the rows that arrived for a running load into its list so far; true when any came.
  bool TakeArrived(TKeyData& record);
  void RaiseArriving(std::uint64_t serial, const std::string& keyword);
  void FinishLoad(std::uint64_t serial, const std::string& keyword);
  void RaiseKeywordAdded(TKeyData& record);
  void RaiseCompaniesLoaded(const std::string& keyword);

  TClock clock_;
  std::shared_ptr<TBuilderGate> gate_;
  std::vector<std::unique_ptr<TKeyData>> keywords_;
  std::unordered_map<std::string, TKeyData*> index_;  // lower-cased keyword -> first record
  std::uint64_t nextSerial_ = 1;
  std::unordered_set<std::string> shared_;
  TLifeLink<TKeyListInfo> life_{*this};  // cut with the store; loaders' ends check it
};

}  // namespace vlmr
