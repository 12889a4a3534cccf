// vlmr-collect with the test seams set from its environment, for the whole-program tests: every
// request goes to the simulated web on VLMR_TEST_WEB_PORT, pacing runs VLMR_TEST_TIME_SCALE
// times faster than real time, and the crawlers' time limits are short.
#include <cstdlib>
#include <string>

#include "cli/CollectCommand.h"
#include "cli/ScaledClock.h"
#include "engine/CaijiPageCon.h"
#include "engine/Collector.h"
#include "net/HttpClient.h"

int main(int argc, char** argv) {
  const char* port = std::getenv("VLMR_TEST_WEB_PORT");
  if (port) {
    vlmr::SetConnectToOverrideForTesting(std::stoi(port));
  }
  const char* scale = std::getenv("VLMR_TEST_TIME_SCALE");
  static vlmr::test::TScaledClock clock(scale ? std::stoi(scale) : 5);
  vlmr::TEngineLocks::SetClockForTesting(&clock);
  vlmr::TCollectorThread::SetRequestTimeoutForTesting(3000);
  vlmr::TCrawlerTimeouts timeouts;
  timeouts.firstRequestMs = timeouts.lookupMs = timeouts.pageFetchMs = 5000;
  timeouts.retryPauseMs = 10;
  vlmr::SetCrawlerTimeoutsForTesting(timeouts);
  return vlmr::RunCollectCommand(argc, argv);
}
