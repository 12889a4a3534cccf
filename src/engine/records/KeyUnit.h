// Records the collection engine hands to the rest of the program (the worker report is in
// CollectReport.h), the engine identifiers and two text operations every engine unit shares. Texts
// are GBK.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/StringList.h"

namespace vlmr {

// Where a region was read from: the first landline's area code, the mobiles' issuing cities,
// the address text, or nowhere. The values are stored; never renumber them.
enum class TRegionSource : std::uint8_t { None = 0, Landline = 1, Mobile = 2, Address = 3 };

// A company's province and city (GBK, as the geocoder names them: "广东省", "广州市"; a
// municipality is its own province and city). Either may be empty.
struct TRegion {
  std::string province;
  std::string city;
  TRegionSource source = TRegionSource::None;
  bool empty() const { return province.empty() && city.empty(); }
  bool operator==(const TRegion&) const = default;
};

// One company as a crawler found it, or as the store keeps it.
class TComPanyInfo {
 public:
  TComPanyInfo() = default;
  TComPanyInfo(const TComPanyInfo&) = default;
  TComPanyInfo& operator=(const TComPanyInfo&) = default;

  void AddTel(std::string_view text) { tels.Add(text); }
  void AddMobile(std::string_view text) { mobiles.Add(text); }
  void AddEmail(std::string_view text) { emails.Add(text); }
  void AddQQ(std::string_view text) { qqs.Add(text); }
  void AddWeChat(std::string_view text) { wechats.Add(text); }

  // Empties tels, mobiles, emails and WeChat IDs, the name, address, region, web address and
  // source, and the promoted mark; QQ numbers, keyword, listId and the certified mark stay.
  void Clear();
  // Copies everything but listId and keyword; the name passes through GetComName and
  // SetComName, so an empty name arrives as one space.
  void Assign(const TComPanyInfo& other);

  // The name, or " " when it is empty. Every user of the name reads it through here.
  std::string GetComName() const;
  // Stores the name cleaned of contact words and punctuation (see the source), untrimmed.
  void SetComName(std::string_view text);
  const std::string& RawComName() const { return comName_; }

  std::string listId;
  std::string keyword;
  std::string address;
  TUniqueStringList tels;
  TUniqueStringList mobiles;
  TUniqueStringList emails;
  TUniqueStringList qqs;
  TUniqueStringList wechats;
  TRegion region;  // computed from the numbers and the address (engine/Region.h)
  std::string webUrl;
  std::string source;
  std::uint8_t isPay = 0;
  std::uint8_t renZheng = 0;

 private:
  std::string comName_;
};

// A collector's progress: its keyword, latest progress text and the next page it will fetch.
struct TCaiJiInfo {
  std::string keyword;
  std::string message;
  std::int32_t page = 0;
  std::string source;
};

enum TEngineIndex : int { ENGINE_BAIDU = 0, ENGINE_SOGOU = 1, ENGINE_360 = 2 };

struct TEngineIdentity {
  TEngineIndex index;
  const char* name;             // name in the task controller
  const char* sourceLabelUtf8;  // source label, UTF-8 here; SourceLabel gives GBK
  const char* lastPageColumn;   // column of tbl_key
};

inline constexpr std::array<TEngineIdentity, 3> kEngines = {{
    {ENGINE_BAIDU, "baidu", "百度", "lastpage"},
    {ENGINE_SOGOU, "sougou", "搜狗", "sglastpage"},
    {ENGINE_360, "360", "360", "s360lastpage"},
}};

// The source label of an engine, in GBK.
const std::string& SourceLabel(TEngineIndex index);
// The engine index for a source label (GBK); 0 for anything that is not a label.
TEngineIndex EngineIndexOfSource(std::string_view sourceGbk);

// The text after the first `startMarker`, cut before the first `endMarker` after it (when that
// is not empty and occurs); empty when the start marker does not occur. Exact matching.
std::string TextBetween(std::string_view startMarker, std::string_view endMarker,
                        std::string_view text);

// True when the lower-cased address contains any of the three engines' domains.
bool IsEngineUrl(std::string_view address);

}  // namespace vlmr
