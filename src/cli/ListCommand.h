// `list`: the stored keywords with their counts, last update and the pages each engine
// reached; an aligned table, or one JSON object per line.
#pragma once

#include <cstdio>

namespace vlmr {

class TKeyListInfo;

void ListKeywords(const TKeyListInfo& store, std::FILE* out, bool json);

}  // namespace vlmr
