#include <gtest/gtest.h>

#include "base/StringList.h"

#include <string>

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

// Which adds count as equal: ASCII letters of single-byte characters fold; a double-byte
// character whose second byte is a letter ("\x81A" and "\x81a" are two characters) does not.
TEST(UniqueStringList, EqualityFoldsOnlySingleByteLetters) {
  struct Case {
    const char* first;
    const char* second;
    bool equal;
  } cases[] = {
      {"Sales@HQ.com", "sALES@hq.COM", true},
      {"\x81\x41", "\x81\x61", false},
      {"x\x81\x41y", "X\x81\x41Y", true},
      {"\xB5\xD8\xD6\xB7"
       "A",
       "\xB5\xD8\xD6\xB7"
       "a",
       true},
      {"abc", "abcd", false},
      {"", "", true},
      {"a\x80", "A\x80", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.first) + " / " + c.second);
    TUniqueStringList list;
    EXPECT_TRUE(list.Add(c.first));
    EXPECT_EQ(list.Contains(c.second), c.equal);
    EXPECT_EQ(list.Add(c.second), !c.equal);
    EXPECT_EQ(list.size(), c.equal ? 1u : 2u);
  }
}

// Thousands of entries, as a dense contact page gives: every one is found again in another
// case, a copy keeps refusing what its original holds, and a cleared list accepts anew.
TEST(UniqueStringList, ManyEntriesCopiedAndCleared) {
  TUniqueStringList list;
  for (int i = 0; i < 5000; ++i) {
    ASSERT_TRUE(list.Add("Sales" + std::to_string(i) + "@hq.com"));
  }
  for (int i = 0; i < 5000; i += 7) {
    ASSERT_FALSE(list.Add("SALES" + std::to_string(i) + "@HQ.COM")) << i;
  }
  EXPECT_EQ(list.size(), 5000u);
  EXPECT_EQ(list[4999], "Sales4999@hq.com");
  TUniqueStringList copy = list;
  EXPECT_FALSE(copy.Add("sales42@hq.com"));
  EXPECT_TRUE(copy.Add("sales5000@hq.com"));
  EXPECT_FALSE(copy == list);
  list.Clear();
  EXPECT_FALSE(list.Contains("sales1@hq.com"));
  EXPECT_TRUE(list.Add("sales1@hq.com"));
  EXPECT_EQ(list.size(), 1u);
}

}  // namespace
}  // namespace vlmr
