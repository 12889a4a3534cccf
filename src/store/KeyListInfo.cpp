#include "store/KeyListInfo.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <utility>

#include "base/Dispatcher.h"
#include "base/Text.h"
#include "base/Utils.h"
#include "engine/records/NumberDigits.h"
#include "export/ExportFile.h"
#include "store/NumberIndex.h"

namespace vlmr {
namespace {

constexpr std::int8_t kIdleReportLimit = 3;

// Tables for a file that has none. Integer keys the database assigns in increasing order; the
// counts and pages are typed so that they read back as plain integers.
const char* const kCreateTables[] = {
    "create table if not exists tbl_key(ID INTEGER PRIMARY KEY AUTOINCREMENT,KeyStr TEXT,"
    "listcount INTEGER,lastpage INTEGER,sglastpage NUMERIC,s360lastpage NUMERIC,"
    "adddate NUMERIC)",
    "create table if not exists tbl_list(ListID INTEGER PRIMARY KEY AUTOINCREMENT,"
    "ComName TEXT,Addr TEXT,weburl TEXT,EMail TEXT,Tel TEXT,mob TEXT,qq TEXT,source TEXT,"
    "ispay NUMERIC,stat INTEGER,keyid INTEGER,renzheng NUMERIC)",
};

// The duplicate check runs for every reported company and the loader selects by keyid: both
// must find their rows without scanning the table.
const char* const kCreateIndexes[] = {
    "create index if not exists idx_list_comname on tbl_list(ComName)",
    "create index if not exists idx_list_keyid on tbl_list(keyid)",
    "create index if not exists idx_key_keystr on tbl_key(KeyStr)",
};

struct TUpgrade {
  const char* column;
  const char* statement;
};

// The schema this version writes, recorded in the file's user_version once the upgrades ran.
// 1: the columns of kKeyUpgrades and kListUpgrades up to qq. 2: region, WeChat and the number
// index (NumberIndex.h), filled from the stored companies.
constexpr int kSchemaVersion = 2;

const TUpgrade kKeyUpgrades[] = {
    {"sglastpage", "alter table tbl_key add sglastpage NUMERIC"},
    {"s360lastpage", "alter table tbl_key add s360lastpage NUMERIC"},
    {"adddate", "alter table tbl_key add adddate NUMERIC"},
};

const TUpgrade kListUpgrades[] = {
    {"source", "alter table tbl_list add source TEXT"},
    {"ispay", "alter table tbl_list add ispay NUMERIC"},
    {"renzheng", "alter table tbl_list add renzheng NUMERIC"},
    {"qq", "alter table tbl_list add qq TEXT"},
    {"wechat", "alter table tbl_list add wechat TEXT"},
    {"province", "alter table tbl_list add province TEXT"},
    {"city", "alter table tbl_list add city TEXT"},
    // Empty for a row stored before regions were kept: the loader computes its region.
    {"regionsrc", "alter table tbl_list add regionsrc INTEGER"},
};

const char* LastPageColumn(TEngineIndex engine) {
  for (const auto& identity : kEngines) {
    if (identity.index == engine) {
      return identity.lastPageColumn;
    }
  }
  return nullptr;
}

std::int32_t* LastPageField(TKeyData& record, TEngineIndex engine) {
  switch (engine) {
    case ENGINE_BAIDU:
      return &record.LastPage;
    case ENGINE_SOGOU:
      return &record.SgLastPage;
    case ENGINE_360:
      return &record.S360LastPage;
  }
  return nullptr;
}

// Every save is two statements that each commit on their own. With a rollback journal each
// commit waits for the disk twice (tens of milliseconds on a plain disk); with the
// write-ahead log and NORMAL syncing a commit is a write to the log, synced at checkpoints.
// A power cut may lose the last few commits but never damages the file. A file the log
// cannot be used for (a read-only folder, say) stays as it is.
void UseWriteAheadLog(TDataManager& builder) {
  std::string mode;
  try {
    auto rows = builder.Database().RunQuery("pragma journal_mode=WAL");
    if (!rows->AtEnd()) {
      mode = GbkLower(rows->TextAt(0));
    }
  } catch (const ESQLiteException&) {
    return;
  }
  // NORMAL is safe with the log only; a rollback journal keeps full syncing.
  if (mode == "wal") {
    builder.RunSql("pragma synchronous=NORMAL");
  }
}

std::string KeyOf(std::string_view keyword) {
  return GbkLower(keyword);
}

bool IsDigits(std::string_view text) {
  if (text.empty()) {
    return false;
  }
  for (char c : text) {
    if (c < '0' || c > '9') {
      return false;
    }
  }
  return true;
}

std::string ColumnText(const TSQLiteTable& rows, std::string_view column) {
  return rows.TextAt(rows.ColumnIndexOf(column));
}

// How many companies the file holds for a keyword's row.
std::int32_t StoredCompanyCount(TDataManager& builder, const std::string& id) {
  builder.ResetFields();
  builder.SetStatementText("select count(*) from tbl_list where keyid=?", {ToRowKey(id)});
  auto rows = builder.QueryStatement();
  return rows && !rows->AtEnd() ? ToInt32(rows->TextAt(0)) : 0;
}

// Takes the companies of tbl_list that `condition` selects out of the number index (before
// their rows go). A failure leaves the index as it was: a number may then count a company too
// many, never one too few.
void UnindexCompanies(TDataManager& builder, const char* condition, std::int64_t key,
                      std::unordered_set<std::string>& shared) {
  try {
    std::vector<std::string> names;
    auto rows = builder.Database().RunQuery(
        std::string("select ComName from tbl_list where ") + condition, {key});
    for (; !rows->AtEnd(); rows->MoveNext()) {
      names.push_back(rows->TextAt(0));
    }
    RemoveFromNumberIndex(builder.Database(), names, shared);
  } catch (const std::exception&) {
  }
}

}  // namespace

std::int64_t LocalWallClockSeconds() {
  using namespace std::chrono;
  auto now = time_point_cast<milliseconds>(system_clock::now()).time_since_epoch().count();
  std::time_t seconds = static_cast<std::time_t>((now + 500) / 1000);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
  return static_cast<std::int64_t>(_mkgmtime(&local));
#else
  localtime_r(&seconds, &local);
  return static_cast<std::int64_t>(timegm(&local));
#endif
}

// ---- TKeyData -----------------------------------------------------------------------------

std::int32_t TKeyData::LastPageOf(TEngineIndex engine) const {
  switch (engine) {
    case ENGINE_BAIDU:
      return LastPage;
    case ENGINE_SOGOU:
      return SgLastPage;
    case ENGINE_360:
      return S360LastPage;
  }
  return 0;
}

// ---- TKeyListInfo -------------------------------------------------------------------------

TKeyListInfo::TKeyListInfo(TClock clock, const TUpgradeProgress& progress)
    : clock_(clock ? std::move(clock) : TClock(&LocalWallClockSeconds)),
      gate_(std::make_shared<TBuilderGate>()) {
  ExportWriter = [](const TKeyData& record, const std::string& fileName,
                    const TExportFields& fields, TExportFormat format) {
    return WriteExport(record.Companies, fileName, fields, format, record.Keyword);
  };
  // A missing folder shows up as the open failure below.
  std::error_code ignored;
  std::filesystem::create_directories(AppFolder() + "Data", ignored);
  gate_->builder = std::make_unique<TDataManager>("users");
  {
    std::lock_guard lock(gate_->lock);
    UseWriteAheadLog(Builder());
    for (const char* sql : kCreateTables) {
      Builder().RunSql(sql);
    }
    CreateNumberIndex(Builder().Database());
  }
  UpgradeSchema(progress);
  std::lock_guard lock(gate_->lock);
  for (const char* sql : kCreateIndexes) {
    Builder().RunSql(sql);
  }
  shared_ = ReadSharedNumbers(Builder().Database());
}

TKeyListInfo::~TKeyListInfo() {
  life_.Cut();
  {
    // Waits for a loader's query in progress (it never waits on this thread while holding
    // the lock), then closes the database.
    std::lock_guard lock(gate_->lock);
    gate_->builder.reset();
  }
  index_.clear();
  keywords_.clear();
}

void TKeyListInfo::UpgradeSchema(const TUpgradeProgress& progress) {
  struct TTable {
    const char* name;
    const TUpgrade* begin;
    const TUpgrade* end;
  };
  const TTable tables[] = {
      {"tbl_key", std::begin(kKeyUpgrades), std::end(kKeyUpgrades)},
      {"tbl_list", std::begin(kListUpgrades), std::end(kListUpgrades)},
  };
  std::lock_guard lock(gate_->lock);
  TDataManager& builder = Builder();
  TSQLiteDatabase& database = builder.Database();
  auto version = database.RunQuery("pragma user_version");
  const int fileVersion = version->AtEnd() ? 0 : ToInt32(version->TextAt(0));
  if (fileVersion >= kSchemaVersion) {
    return;  // written by this version or a later one: every column is there
  }
  for (const auto& table : tables) {
    // The columns the table really has (a column's name inside another's, or in a default
    // value, does not count).
    std::unordered_set<std::string> columns;
    auto rows = database.RunQuery(std::string("pragma table_info(") + table.name + ")");
    for (; !rows->AtEnd(); rows->MoveNext()) {
      columns.insert(GbkLower(ColumnText(*rows, "name")));
    }
    if (columns.empty()) {
      continue;
    }
    for (const TUpgrade* upgrade = table.begin; upgrade != table.end; ++upgrade) {
      if (!columns.count(upgrade->column)) {
        builder.RunSql(upgrade->statement);
      }
    }
  }
  // The index and the version are written together: a file left half way is indexed again.
  database.RunStatement("begin immediate");
  try {
    RebuildNumberIndex(database, progress);
    database.RunStatement("pragma user_version=" + std::to_string(kSchemaVersion));
    database.RunStatement("commit");
  } catch (...) {
    builder.RunSql("rollback");
    throw;
  }
}

void TKeyListInfo::LoadKeywords() {
  std::unique_ptr<TSQLiteTable> rows;
  {
    std::lock_guard lock(gate_->lock);
    Builder().ResetFields();
    // The count is what the file holds for the keyword, whatever the row's listcount says.
    Builder().SetStatementText(
        "select k.*,(select count(*) from tbl_list l where l.keyid=k.ID) as storedcount "
        "from tbl_key k order by k.ID asc");
    rows = Builder().QueryStatement();
  }
  if (!rows) {
    return;
  }
  for (; !rows->AtEnd(); rows->MoveNext()) {
    auto record = std::make_unique<TKeyData>();
    record->Id = ColumnText(*rows, "ID");
    record->ListCount = ToInt32(ColumnText(*rows, "storedcount"));
    record->Keyword = Utf8ToGbk(ColumnText(*rows, "KeyStr"));
    record->AddDate = ToInt32(ColumnText(*rows, "adddate"));
    record->LastPage = ToInt32(ColumnText(*rows, "lastpage"));
    record->SgLastPage = ToInt32(ColumnText(*rows, "sglastpage"));
    record->S360LastPage = ToInt32(ColumnText(*rows, "s360lastpage"));
    RaiseKeywordAdded(Append(std::move(record)));
  }
}

TKeyData* TKeyListInfo::AddKeyword(const std::string& keyword) {
  if (keyword.empty()) {
    return nullptr;
  }
  if (TKeyData* existing = FindKeyword(keyword)) {
    return existing;
  }

  auto record = std::make_unique<TKeyData>();
  record->Keyword = keyword;
  record->AddDate = clock_();
  {
    std::lock_guard lock(gate_->lock);
    TDataManager& builder = Builder();
    builder.ResetFields();
    builder.AddText("KeyStr", GbkToUtf8(keyword));
    builder.AddInteger("listcount", 0);
    builder.AddInteger("lastpage", 0);
    builder.AddInteger("sglastpage", 0);
    builder.AddInteger("s360lastpage", 0);
    builder.AddNumber("adddate", static_cast<double>(record->AddDate));
    // A keyword without its row would lose its companies at the next start: refuse it.
    if (!builder.InsertInto("tbl_key")) {
      return nullptr;
    }
    record->Id = std::to_string(builder.Database().LastInsertRowId());
  }
  TKeyData& added = Append(std::move(record));
  RaiseKeywordAdded(added);
  return &added;
}

TKeyData* TKeyListInfo::FindKeyword(std::string_view keyword) const {
  auto found = index_.find(KeyOf(keyword));
  return found == index_.end() ? nullptr : found->second;
}

std::string TKeyListInfo::LookupKeywordId(const std::string& keyword) {
  std::lock_guard lock(gate_->lock);
  TDataManager& builder = Builder();
  builder.ResetFields();
  builder.SetStatementText("select ID from tbl_Key where KeyStr=?", {GbkToUtf8(keyword)});
  auto rows = builder.QueryStatement();
  if (!rows || rows->AtEnd()) {
    return "0";
  }
  return ColumnText(*rows, "ID");
}

TStoreResult TKeyListInfo::SaveCompany(const std::string& keyword, const TComPanyInfo& company) {
  if (company.mobiles.empty()) {
    return {};
  }
  TKeyData* record = FindKeyword(keyword);
  if (!record) {
    return {};
  }

  auto copy = std::make_shared<TComPanyInfo>();
  copy->Assign(company);
  if (copy->region.source == TRegionSource::None && RegionRule) {
    copy->region = RegionRule(*copy);
  }
  const std::int64_t now = clock_();
  std::vector<std::string> nowShared;
  {
    std::lock_guard lock(gate_->lock);
    TDataManager& builder = Builder();
    try {
      builder.ResetFields();
      builder.SetStatementText("select listid from tbl_list where ComName=?",
                               {GbkToUtf8(copy->GetComName())});
      auto rows = builder.QueryStatement();
      if (rows && rows->RowCount() > 0) {
        return {};  // stored already, under this or another keyword
      }
    } catch (const std::exception& e) {
      return {false, e.what()};
    }

    // The company and the keyword's count are written together or not at all, so the count in
    // the file always matches the rows.
    if (!builder.RunSql("begin immediate")) {
      return {false, builder.LastError()};
    }
    auto fail = [&builder] {
      TStoreResult failed{false, builder.LastError()};
      builder.RunSql("rollback");
      return failed;
    };
    builder.ResetFields();
    builder.AddText("ComName", GbkToUtf8(copy->GetComName()));
    builder.AddText("Addr", GbkToUtf8(copy->address));
    builder.AddText("weburl", GbkToUtf8(copy->webUrl));
    builder.AddText("EMail", GbkToUtf8(copy->emails.TextForm()));
    builder.AddText("Tel", GbkToUtf8(copy->tels.TextForm()));
    builder.AddText("mob", GbkToUtf8(copy->mobiles.TextForm()));
    builder.AddText("qq", GbkToUtf8(copy->qqs.TextForm()));
    builder.AddText("source", GbkToUtf8(copy->source));
    builder.AddInteger("ispay", copy->isPay);
    builder.AddInteger("stat", 0);
    builder.AddInteger("keyid", ToRowKey(record->Id));
    builder.AddInteger("renzheng", copy->renZheng);
    builder.AddText("wechat", GbkToUtf8(copy->wechats.TextForm()));
    builder.AddText("province", GbkToUtf8(copy->region.province));
    builder.AddText("city", GbkToUtf8(copy->region.city));
    builder.AddInteger("regionsrc", static_cast<std::int64_t>(copy->region.source));
    if (!builder.InsertInto("tbl_list")) {
      return fail();
    }
    try {
      nowShared = AddToNumberIndex(builder.Database(), GbkToUtf8(copy->GetComName()),
                                   CompanyNumberDigits(*copy), shared_);
    } catch (const std::exception& e) {
      builder.RunSql("rollback");
      return {false, e.what()};
    }
    // The id comes from this insert itself: the copy can never take another company's id.
    const std::int64_t listId = builder.Database().LastInsertRowId();
    // Until its load has ended the list holds only the companies saved meanwhile: the count
    // then goes on from the file's.
    const bool loaded = record->LoadStarted && !record->loadRunning_;
    const auto count =
        loaded ? static_cast<std::int32_t>(record->Companies.size() + 1) : record->ListCount + 1;
    builder.ResetFields();
    builder.SetCondition("ID=?", {ToRowKey(record->Id)});
    builder.AddInteger("listcount", count);
    builder.AddNumber("adddate", static_cast<double>(now));
    if (!builder.UpdateTable("tbl_key") || !builder.RunSql("commit")) {
      return fail();
    }
    copy->listId = std::to_string(listId);
    shared_.insert(nowShared.begin(), nowShared.end());
    record->Companies.Add(copy);
    record->PageReportsSinceSave = 0;
    record->ListCount = count;
    record->AddDate = now;
  }
  if (auto handler = OnCompanySaved) {
    handler(*this, keyword, copy);
  }
  return {};
}

bool TKeyListInfo::RecordPageReport(const std::string& keyword, std::int32_t page,
                                    TEngineIndex engine) {
  TKeyData* record = FindKeyword(keyword);
  if (!record || record->PageReportsSinceSave >= kIdleReportLimit) {
    return false;
  }
  const char* column = LastPageColumn(engine);
  std::int32_t* lastPage = LastPageField(*record, engine);
  if (!column || !lastPage) {
    return false;
  }
  {
    std::lock_guard lock(gate_->lock);
    TDataManager& builder = Builder();
    builder.ResetFields();
    builder.SetCondition("ID=?", {ToRowKey(record->Id)});
    *lastPage = page;
    builder.AddInteger(column, page);
    builder.UpdateTable("tbl_key");
  }
  ++record->PageReportsSinceSave;
  return true;
}

void TKeyListInfo::StoreLastPage(const std::string& keyword, std::int32_t page,
                                 TEngineIndex engine) {
  const char* column = LastPageColumn(engine);
  if (!column) {
    return;
  }
  std::lock_guard lock(gate_->lock);
  TDataManager& builder = Builder();
  builder.ResetFields();
  builder.SetCondition("KeyStr=?", {GbkToUtf8(keyword)});
  builder.AddInteger(column, page);
  builder.UpdateTable("tbl_key");
}

void TKeyListInfo::SetStatusText(const std::string& keyword, const std::string& text) {
  if (TKeyData* record = FindKeyword(keyword)) {
    record->StatusText = text;
  }
}

const TCompanyList* TKeyListInfo::CompanyListOf(std::string_view keyword) const {
  TKeyData* record = FindKeyword(keyword);
  return record ? &record->Companies : nullptr;
}

TKeyData* TKeyListInfo::RequestKeyword(const std::string& keyword, TPendingAction action) {
  TKeyData* record = FindKeyword(keyword);
  if (!record) {
    return nullptr;
  }
  if (record->LoadStarted) {
    // A list still loading is not complete: starting or exporting waits for the load's end,
    // which carries the action out. Stopping needs only the task.
    if (!record->loadRunning_ || action == TPendingAction::Stop) {
      return record;
    }
    record->PendingAction = action;
    return nullptr;
  }
  record->PendingAction = action;
  if (action != TPendingAction::Stop) {
    LoadCompanies(keyword);
  }
  return nullptr;
}

TPendingAction TKeyListInfo::TakePendingAction(const std::string& keyword) {
  TKeyData* record = FindKeyword(keyword);
  if (!record) {
    return TPendingAction::Show;
  }
  TPendingAction action = record->PendingAction;
  record->PendingAction = TPendingAction::Show;
  return action;
}

void TKeyListInfo::LoadCompanies(const std::string& keyword) {
  TKeyData* record = FindKeyword(keyword);
  if (!record) {
    return;
  }
  record->LoadStarted = true;
  if (record->loadRunning_) {
    return;  // its end raises the event for this call too
  }
  if (!record->Companies.empty()) {
    RaiseCompaniesLoaded(record->Keyword);
    return;
  }

  record->loadRunning_ = true;
  record->deletedWhileLoading_.clear();
  record->loading_.Clear();
  // Room for the rows the file holds: growing the index as they arrive would rehash all the
  // rows so far on the UI thread at each doubling.
  record->loading_.Reserve(static_cast<std::size_t>(std::max(0, record->ListCount)));
  record->arrived_ = std::make_shared<TLoadedRows>();
  auto* loader = new TDataThread(
      record->Keyword, gate_, record->arrived_,
      [life = life_.Token(), serial = record->serial_, name = record->Keyword] {
        PostToUi([life, serial, name] {
          life.With([&](TKeyListInfo& store) { store.RaiseArriving(serial, name); });
        });
      });
  loader->SetRegionRule(RegionRule);
  loader->SetOnTerminate(
      [life = life_.Token(), serial = record->serial_, name = record->Keyword](TWorkerThread&) {
        life.With([&](TKeyListInfo& store) { store.FinishLoad(serial, name); });
      });
  try {
    loader->Start();
  } catch (...) {
    delete loader;
    record->loadRunning_ = false;
    RaiseCompaniesLoaded(record->Keyword);
  }
}

bool TKeyListInfo::TakeArrived(TKeyData& record) {
  if (!record.arrived_) {
    return false;
  }
  bool any = false;
  for (auto& entry : record.arrived_->Take()) {
    if (record.deletedWhileLoading_.count(entry->listId)) {
      continue;
    }
    // A company saved while the load runs (the list holds only those then) arrives as itself:
    // the rows shown so far stay the rows of the finished list.
    if (record.Companies.Find(entry->listId)) {
      for (const auto& own : record.Companies) {
        if (own->listId == entry->listId) {
          entry = own;
          break;
        }
      }
    }
    any = record.loading_.Add(std::move(entry)) || any;
  }
  return any;
}

void TKeyListInfo::RaiseArriving(std::uint64_t serial, const std::string& keyword) {
  TKeyData* record = FindKeyword(keyword);
  if (!record || record->serial_ != serial || !record->loadRunning_) {
    return;
  }
  const std::size_t from = record->loading_.size();
  if (!TakeArrived(*record)) {
    return;
  }
  if (auto handler = OnCompaniesArriving) {
    const std::string name = record->Keyword;
    handler(*this, name, record->loading_, from);
  }
}

void TKeyListInfo::FinishLoad(std::uint64_t serial, const std::string& keyword) {
  TKeyData* record = FindKeyword(keyword);
  // The keyword was deleted while it loaded (perhaps added again since): nothing to answer.
  if (!record || record->serial_ != serial) {
    return;
  }
  // The companies deleted meanwhile never entered the rows handed over.
  TakeArrived(*record);
  record->Companies.MergeLoaded(std::exchange(record->loading_, {}), {});
  record->arrived_.reset();
  record->deletedWhileLoading_.clear();
  // Once loaded, the count is the list's length, as after a save or a delete.
  record->ListCount = static_cast<std::int32_t>(record->Companies.size());
  record->loadRunning_ = false;
  RaiseCompaniesLoaded(record->Keyword);
}

void TKeyListInfo::DeleteCompany(const std::string& keyword, const std::string& listId) {
  TKeyData* record = FindKeyword(keyword);
  if (!record || !IsDigits(listId)) {
    return;
  }
  {
    std::lock_guard lock(gate_->lock);
    TDataManager& builder = Builder();
    UnindexCompanies(builder, "ListID=?", ToRowKey(listId), shared_);
    builder.ResetFields();
    builder.SetCondition("ListID=?", {ToRowKey(listId)});
    builder.DeleteFrom("tbl_list");
    // The count follows what the file holds, in memory and in the keyword's row.
    record->ListCount = StoredCompanyCount(builder, record->Id);
    builder.ResetFields();
    builder.SetCondition("ID=?", {ToRowKey(record->Id)});
    builder.AddInteger("listcount", record->ListCount);
    builder.UpdateTable("tbl_key");
  }
  if (record->loadRunning_) {
    record->deletedWhileLoading_.insert(listId);
    record->loading_.Remove(listId);
  }
  record->Companies.Remove(listId);
}

namespace {

// The keyword's row goes only with its companies: otherwise they would stay behind,
// unreachable, still blocking their names.
void DeleteKeywordRows(TDataManager& builder, const std::string& id,
                       std::unordered_set<std::string>& shared) {
  UnindexCompanies(builder, "keyid=?", ToRowKey(id), shared);
  builder.ResetFields();
  builder.SetCondition("keyid=?", {ToRowKey(id)});
  if (builder.DeleteFrom("tbl_list")) {
    builder.ResetFields();
    builder.SetCondition("id=?", {ToRowKey(id)});
    builder.DeleteFrom("tbl_key");
  }
}

}  // namespace

void TKeyListInfo::DeleteKeyword(const std::string& keyword) {
  TKeyData* record = FindKeyword(keyword);
  if (!record) {
    return;
  }
  {
    std::lock_guard lock(gate_->lock);
    DeleteKeywordRows(Builder(), record->Id, shared_);
  }
  Remove(record);
}

void TKeyListInfo::DeleteAllKeywords() {
  {
    std::lock_guard lock(gate_->lock);
    for (const auto& record : keywords_) {
      DeleteKeywordRows(Builder(), record->Id, shared_);
    }
  }
  index_.clear();
  keywords_.clear();
}

void TKeyListInfo::StopLoads() {
  gate_->stopLoads = true;
}

std::int64_t TKeyListInfo::TotalCompanyCount() const {
  std::int64_t total = 0;
  for (const auto& record : keywords_) {
    total += record->ListCount;
  }
  return total;
}

bool TKeyListInfo::ExportKeyword(const std::string& keyword, const std::string& fileName,
                                 const TExportFields& fields, TExportFormat format,
                                 const TResultFilter& filter, bool noShared) {
  TKeyData* record = FindKeyword(keyword);
  if (!record || record->Companies.empty() || !ExportWriter) {
    return false;
  }
  try {
    auto writer = ExportWriter;
    if (!filter.Active() && (!noShared || shared_.empty())) {
      return writer(*record, fileName, fields, format);
    }
    // The part to write, as a keyword of its own.
    TKeyData part;
    part.Id = record->Id;
    part.Keyword = record->Keyword;
    for (auto& company : ExportSelection(record->Companies, filter, noShared, shared_)) {
      part.Companies.Add(std::move(company));
    }
    return !part.Companies.empty() && writer(part, fileName, fields, format);
  } catch (...) {
    return false;
  }
}

bool TKeyListInfo::IsSharedNumber(std::string_view written) const {
  return !shared_.empty() && shared_.count(NumberDigits(written)) > 0;
}

TKeyData& TKeyListInfo::Append(std::unique_ptr<TKeyData> record) {
  record->serial_ = nextSerial_++;
  TKeyData& added = *record;
  index_.emplace(KeyOf(added.Keyword), &added);  // an earlier equal keyword keeps the key
  keywords_.push_back(std::move(record));
  return added;
}

void TKeyListInfo::Remove(TKeyData* record) {
  std::string key = KeyOf(record->Keyword);
  auto found = index_.find(key);
  if (found != index_.end() && found->second == record) {
    index_.erase(found);
    // A later record with an equal keyword (an older file may hold one) takes the key.
    for (const auto& other : keywords_) {
      if (other.get() != record && KeyOf(other->Keyword) == key) {
        index_.emplace(key, other.get());
        break;
      }
    }
  }
  std::erase_if(keywords_, [record](const auto& entry) { return entry.get() == record; });
}

void TKeyListInfo::RaiseKeywordAdded(TKeyData& record) {
  if (auto handler = OnKeywordAdded) {
    handler(*this, record);
  }
}

void TKeyListInfo::RaiseCompaniesLoaded(const std::string& keyword) {
  std::string name = keyword;  // the handler may delete the record that holds `keyword`
  if (auto handler = OnCompaniesLoaded) {
    handler(*this, name);
  }
}

}  // namespace vlmr
