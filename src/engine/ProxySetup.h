// Start-up of the proxies, shared by the window and the command-line collector: the saved list
// is read from the proxy store and handed to the pool before any collector starts.
#pragma once

#include <string>

#include "net/ProxyStore.h"

namespace vlmr {

// Loads `store` and configures the pool with what it holds. Returns what a person must be told
// (GBK; empty when all went well): a file that could not be read, or entries that no longer
// parse (left out). Neither stops the program; the pool then has what could be read, which
// `loaded` receives when given.
std::string ConfigureSavedProxies(const TProxyStore& store = TProxyStore(),
                                  TProxySettings* loaded = nullptr);

}  // namespace vlmr
