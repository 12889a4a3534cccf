#include "store/DataThread.h"

#include <algorithm>
#include <cstdint>

#include "base/Text.h"

namespace vlmr {
namespace {

// Column positions of one tbl_list result, looked up once per load.
struct TListColumns {
  explicit TListColumns(const TSQLiteTable& rows)
      : listId(rows.ColumnIndexOf("listid")),
        comName(rows.ColumnIndexOf("Comname")),
        addr(rows.ColumnIndexOf("addr")),
        webUrl(rows.ColumnIndexOf("weburl")),
        source(rows.ColumnIndexOf("source")),
        isPay(rows.ColumnIndexOf("ispay")),
        renZheng(rows.ColumnIndexOf("renzheng")),
        tel(rows.ColumnIndexOf("Tel")),
        mob(rows.ColumnIndexOf("Mob")),
        email(rows.ColumnIndexOf("EMail")),
        qq(rows.ColumnIndexOf("qq")),
        wechat(Optional(rows, "wechat")),
        province(Optional(rows, "province")),
        city(Optional(rows, "city")),
        regionSource(Optional(rows, "regionsrc")) {}
  // A column later versions added; kNone in a table without it.
  static std::size_t Optional(const TSQLiteTable& rows, std::string_view name) {
    try {
      return rows.ColumnIndexOf(name);
    } catch (const ESQLiteException&) {
      return kNone;
    }
  }
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t listId, comName, addr, webUrl, source, isPay, renZheng, tel, mob, email, qq;
  std::size_t wechat, province, city, regionSource;
};

// The stored region; false when the row was stored before regions were kept.
std::string OptionalText(const TSQLiteTable& rows, std::size_t column) {
  return column == TListColumns::kNone ? std::string() : rows.TextAt(column);
}

bool ReadRegion(const TSQLiteTable& rows, const TListColumns& c, TRegion& region) {
  const std::string source = OptionalText(rows, c.regionSource);
  if (source.empty()) {
    return false;
  }
  const std::int32_t value = ToInt32(source);
  region.source = value >= 0 && value <= static_cast<int>(TRegionSource::Address)
                      ? static_cast<TRegionSource>(value)
                      : TRegionSource::None;
  region.province = Utf8ToGbk(OptionalText(rows, c.province));
  region.city = Utf8ToGbk(OptionalText(rows, c.city));
  return true;
}

void FillList(TUniqueStringList& list, const std::string& storedUtf8) {
  for (const auto& value : SplitStoredValues(storedUtf8)) {
    list.Add(value);
  }
}

std::uint8_t Flag(const std::string& text) {
  return ToInt32(text) != 0 ? 1 : 0;
}

std::shared_ptr<TComPanyInfo> ReadCompany(const TSQLiteTable& rows, const TListColumns& c,
                                          const TRegionRule& regionRule) {
  auto company = std::make_shared<TComPanyInfo>();
  company->listId = rows.TextAt(c.listId);
  company->SetComName(Utf8ToGbk(rows.TextAt(c.comName)));
  company->address = Utf8ToGbk(rows.TextAt(c.addr));
  company->webUrl = Utf8ToGbk(rows.TextAt(c.webUrl));
  company->source = Utf8ToGbk(rows.TextAt(c.source));
  company->isPay = Flag(rows.TextAt(c.isPay));
  company->renZheng = Flag(rows.TextAt(c.renZheng));
  FillList(company->tels, rows.TextAt(c.tel));
  FillList(company->mobiles, rows.TextAt(c.mob));
  FillList(company->emails, rows.TextAt(c.email));
  FillList(company->qqs, rows.TextAt(c.qq));
  FillList(company->wechats, OptionalText(rows, c.wechat));
  if (!ReadRegion(rows, c, company->region) && regionRule) {
    company->region = regionRule(*company);
  }
  return company;
}

}  // namespace

std::vector<std::string> SplitStoredValues(std::string_view storedUtf8) {
  // "|" is replaced while the text is still UTF-8: in GBK the byte 0x7C can also be the
  // second byte of a double-byte character.
  std::string gbk = Utf8ToGbk(ReplaceAll(Trim(storedUtf8), "|", "\r"));
  std::vector<std::string> values;
  std::size_t start = 0;
  for (std::size_t i = 0; i < gbk.size(); ++i) {
    char c = gbk[i];
    if (c != '\r' && c != '\n') {
      continue;
    }
    values.push_back(gbk.substr(start, i - start));
    if (c == '\r' && i + 1 < gbk.size() && gbk[i + 1] == '\n') {
      ++i;
    }
    start = i + 1;
  }
  if (start < gbk.size()) {
    values.push_back(gbk.substr(start));
  }
  return values;
}

TDataThread::TDataThread(std::string keyword, std::shared_ptr<TBuilderGate> gate,
                         std::shared_ptr<TLoadedRows> rows, std::function<void()> onArrived)
    : keyword_(std::move(keyword)),
      gate_(std::move(gate)),
      rows_(std::move(rows)),
      onArrived_(std::move(onArrived)) {}

void TDataThread::Execute() {
  // Any failure ends the load; what was read before it has gone to rows_.
  TSQLiteTable keys;
  {
    std::lock_guard lock(gate_->lock);
    if (!gate_->builder) {
      return;
    }
    TDataManager& builder = *gate_->builder;
    builder.ResetFields();
    builder.SetStatementText("select ID from tbl_key where keystr=?", {GbkToUtf8(keyword_)});
    builder.QueryStatement(keys);
  }
  if (keys.AtEnd()) {
    return;
  }
  const std::int64_t keyId = ToRowKey(keys.TextAt(keys.ColumnIndexOf("ID")));

  // The keyid index hands the rows out in ListID order: reading on from the last ListID read
  // gives the order a single query would.
  std::int64_t after = 0;
  TSQLiteTable rows;
  for (bool more = true; more;) {
    bool failed = false;
    {
      std::lock_guard lock(gate_->lock);
      if (!gate_->builder || gate_->stopLoads.load()) {
        return;
      }
      TDataManager& builder = *gate_->builder;
      builder.ResetFields();
      builder.SetStatementText(
          "select * from tbl_list where keyid=? and ListID>? order by ListID limit ?",
          {keyId, after, std::int64_t{kLoadBatch}});
      try {
        builder.QueryStatement(rows);
      } catch (...) {
        failed = true;  // a step that fails ends the load; the rows before it are kept
      }
    }
    more = !failed && rows.RowCount() == static_cast<std::size_t>(kLoadBatch);
    if (rows.AtEnd()) {
      break;
    }
    TListColumns columns(rows);
    TLoadedRows::TRows batch;
    batch.reserve(rows.RowCount());
    for (; !rows.AtEnd(); rows.MoveNext()) {
      batch.push_back(ReadCompany(rows, columns, regionRule_));
      after = std::max(after, ToRowKey(batch.back()->listId));
    }
    if (rows_->Put(std::move(batch)) && onArrived_) {
      onArrived_();
    }
  }
}

}  // namespace vlmr
