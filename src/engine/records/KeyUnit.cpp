#include "engine/records/KeyUnit.h"

#include <algorithm>

#include "base/Text.h"
#include "engine/records/EngineSettings.h"

namespace vlmr {
namespace {

// Removed from company names in this order, ignoring case; then "," becomes a blank.
const std::array<std::string, 8>& NameNoise() {
  static const std::array<std::string, 8> noise = {Utf8ToGbk("联系方式"),
                                                   Utf8ToGbk("联系我们"),
                                                   Utf8ToGbk("关于我们"),
                                                   Utf8ToGbk("联系"),
                                                   ".",
                                                   "?",
                                                   "-",
                                                   "_"};
  return noise;
}

}  // namespace

void TComPanyInfo::Clear() {
  tels.Clear();
  mobiles.Clear();
  emails.Clear();
  wechats.Clear();
  region = {};
  comName_.clear();
  address.clear();
  webUrl.clear();
  source.clear();
  isPay = 0;
}

void TComPanyInfo::Assign(const TComPanyInfo& other) {
  if (&other == this) {
    return;
  }
  SetComName(other.GetComName());
  address = other.address;
  webUrl = other.webUrl;
  source = other.source;
  isPay = other.isPay;
  renZheng = other.renZheng;
  tels = other.tels;
  mobiles = other.mobiles;
  emails = other.emails;
  qqs = other.qqs;
  wechats = other.wechats;
  region = other.region;
}

std::string TComPanyInfo::GetComName() const {
  return comName_.empty() ? " " : comName_;
}

void TComPanyInfo::SetComName(std::string_view text) {
  // Most names hold no noise at all (every stored name, read back): then nothing is replaced.
  const auto& noise = NameNoise();
  if (text.find(',') == std::string_view::npos &&
      std::none_of(noise.begin(), noise.end(), [text](const std::string& word) {
        return text.find(word) != std::string_view::npos;
      })) {
    comName_ = std::string(text);
    return;
  }
  std::string name(text);
  for (const auto& noise : NameNoise()) {
    name = ReplaceAllNoCase(name, noise, "");
  }
  comName_ = ReplaceAll(name, ",", " ");
}

const std::string& SourceLabel(TEngineIndex index) {
  static const std::array<std::string, 3> labels = {Utf8ToGbk(kEngines[0].sourceLabelUtf8),
                                                    Utf8ToGbk(kEngines[1].sourceLabelUtf8),
                                                    Utf8ToGbk(kEngines[2].sourceLabelUtf8)};
  return labels[static_cast<std::size_t>(index)];
}

TEngineIndex EngineIndexOfSource(std::string_view sourceGbk) {
  for (const auto& engine : kEngines) {
    if (sourceGbk == SourceLabel(engine.index)) {
      return engine.index;
    }
  }
  return ENGINE_BAIDU;
}

std::string TextBetween(std::string_view startMarker, std::string_view endMarker,
                        std::string_view text) {
  std::size_t start = text.find(startMarker);
  if (start == std::string_view::npos) {
    return {};
  }
  std::string_view rest = text.substr(start + startMarker.size());
  if (!endMarker.empty()) {
    std::size_t end = rest.find(endMarker);
    if (end != std::string_view::npos) {
      rest = rest.substr(0, end);
    }
  }
  return std::string(rest);
}

bool IsEngineUrl(std::string_view address) {
  std::string lower = GbkLower(address);
  for (const char* domain : {BaiduDomain, Search360Domain, SogouDomain}) {
    if (lower.find(domain) != std::string::npos) {
      return true;
    }
  }
  return false;
}

}  // namespace vlmr
