// `proxies`: the saved proxies, one a line, by their display form (never a password), with the
// counters and the state the pool reports for them; with `check`, each is tested instead
// (a page fetched through it) and the line says what failed or how long it took.
#pragma once

#include <cstdio>

namespace vlmr {

// Exit code: 0, or 1 when a proxy failed its check or the saved file could not be read.
int ListProxies(std::FILE* out, std::FILE* err, bool check);

}  // namespace vlmr
