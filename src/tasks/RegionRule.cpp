#include "tasks/RegionRule.h"

#include "engine/Region.h"
#include "store/KeyListInfo.h"

namespace vlmr {

void InstallRegionRule(TKeyListInfo& store) {
  store.RegionRule = [](const TComPanyInfo& company) { return RegionOf(company); };
}

}  // namespace vlmr
