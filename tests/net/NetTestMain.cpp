#include <gtest/gtest.h>

#include "net/HttpClient.h"

int main(int argc, char** argv) {
  vlmr::InitNetwork();  // before any thread starts
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
