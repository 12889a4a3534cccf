#include <gtest/gtest.h>

#include "base/StringList.h"

namespace vlmr {
namespace {

TEST(UniqueStringList, IgnoresAddsEqualWithoutCaseAndKeepsOrder) {
  TUniqueStringList list;
  EXPECT_TRUE(list.Add("0731-8888888"));
  EXPECT_FALSE(list.Add("0731-8888888"));
  EXPECT_TRUE(list.Add("Sales@Example.com"));
  EXPECT_FALSE(list.Add("sales@example.COM"));
  EXPECT_TRUE(list.Add("13800138000"));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[1], "Sales@Example.com");  // as first added
  EXPECT_EQ(list.TextForm(), "0731-8888888\r\nSales@Example.com\r\n13800138000\r\n");
  list.Clear();
  EXPECT_EQ(list.TextForm(), "");
}

}  // namespace
}  // namespace vlmr
