#include <gtest/gtest.h>

#include <cstring>

#include "platform/InstanceHelper.h"

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], vlmr::test::kInstanceHelperFlag) == 0) {
    return vlmr::test::RunInstanceHelper(argc, argv);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
