// Gives the store the engine's region rule (engine/Region.h): saved companies and rows stored
// before regions get their province and city from their numbers and address.
#pragma once

namespace vlmr {

class TKeyListInfo;

void InstallRegionRule(TKeyListInfo& store);

}  // namespace vlmr
