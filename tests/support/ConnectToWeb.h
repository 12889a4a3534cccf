// Points every HTTP request of the process at a simulated web for the guard's scope, whatever
// host the address names; the Host header and the address stay as they are.
#pragma once

#include "net/HttpClient.h"
#include "support/SimulatedWeb.h"

namespace vlmr::test {

class TConnectToWeb {
 public:
  explicit TConnectToWeb(const TSimulatedWeb& web) { SetConnectToOverrideForTesting(web.Port()); }
  ~TConnectToWeb() { SetConnectToOverrideForTesting(0); }
  TConnectToWeb(const TConnectToWeb&) = delete;
  TConnectToWeb& operator=(const TConnectToWeb&) = delete;
};

}  // namespace vlmr::test
