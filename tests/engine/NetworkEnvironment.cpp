// The engine tests reach the simulated web; libcurl is initialised once, before any test
// starts a thread.
#include <gtest/gtest.h>

#include "net/HttpClient.h"

namespace {

class TNetworkEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { vlmr::InitNetwork(); }
};

[[maybe_unused]] ::testing::Environment* const kNetwork =
    ::testing::AddGlobalTestEnvironment(new TNetworkEnvironment);

}  // namespace
