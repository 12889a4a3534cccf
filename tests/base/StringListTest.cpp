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

// A short list compares entry by entry and a long one looks up its hash set: around the size
// where the set is built, in originals and in copies made on either side of it, every entry is
// still refused in another case and nothing else is.
TEST(UniqueStringList, RefusesTheSameAddsBelowAndAboveTheHashedSize) {
  for (std::size_t size : {std::size_t{1}, TUniqueStringList::kHashedFrom - 1,
                           TUniqueStringList::kHashedFrom, TUniqueStringList::kHashedFrom + 1}) {
    SCOPED_TRACE(size);
    TUniqueStringList list;
    for (std::size_t i = 0; i < size; ++i) {
      ASSERT_TRUE(list.Add("Mail" + std::to_string(i) + "@Hq.cn"));
    }
    TUniqueStringList copy;
    copy = list;
    TUniqueStringList moved = TUniqueStringList(list);
    for (const TUniqueStringList* each : {&list, &copy, &moved}) {
      for (std::size_t i = 0; i < size; ++i) {
        EXPECT_TRUE(each->Contains("MAIL" + std::to_string(i) + "@hq.CN")) << i;
      }
      EXPECT_FALSE(each->Contains("mail" + std::to_string(size) + "@hq.cn"));
    }
    EXPECT_TRUE(copy.Add("mail" + std::to_string(size) + "@hq.cn"));
    EXPECT_FALSE(copy.Add("MAIL" + std::to_string(size) + "@HQ.CN"));
    EXPECT_FALSE(list.Contains("mail" + std::to_string(size) + "@hq.cn"));
    EXPECT_EQ(copy.size(), size + 1);
  }
}

}  // namespace
}  // namespace vlmr
