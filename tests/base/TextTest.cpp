#include <gtest/gtest.h>

#include "base/Text.h"

namespace vlmr {
namespace {

// GBK bytes of 中 (D6 D0) and 文 (CE C4).
const std::string kZhong = "\xD6\xD0";
const std::string kWen = "\xCE\xC4";

TEST(Text, Utf8ToGbkConvertsAndRefusesInvalidInput) {
  struct Case {
    std::string utf8;
    std::string gbk;
  } cases[] = {
      {"", ""},
      {"abc", "abc"},
      {"中文", kZhong + kWen},
      {"a中b", "a" + kZhong + "b"},
      {"\xC3\x28", ""},                            // bad continuation
      {"\xE4\xB8", ""},                            // truncated sequence
      {"\xC0\xAF", ""},                            // overlong slash
      {"\xED\xA0\x80", ""},                        // surrogate
      {"\xF4\x90\x80\x80", ""},                    // above U+10FFFF
      {"x\xF0\x9F\x98\x80y", "x?y"},               // emoji: no GBK form
      {"\xED\x95\x9C", "?"},                       // a Hangul syllable: not in GBK
      {"\xC3\xA9t\xC3\xA9", "\xA8\xA6t\xA8\xA6"},  // é is in GBK
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk) << c.utf8;
  }
}

TEST(Text, FirstCharWithoutGbkNamesWhatAKeywordCannotHold) {
  struct Case {
    std::string utf8;
    std::string first;
  } cases[] = {
      {"广州电子", ""},
      {"what? é", ""},                                               // "?" itself is text
      {"广州\xF0\x9F\x98\x80电子\xED\x95\x9C", "\xF0\x9F\x98\x80"},  // the first of two
      {"\xED\x95\x9C", "\xED\x95\x9C"},
      {"\xC3\x28", ""},  // not UTF-8 at all: refused elsewhere
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FirstCharWithoutGbk(c.utf8), c.first) << c.utf8;
  }
}

TEST(Text, GbkToUtf8ReplacesBytesThatAreNotGbk) {
  EXPECT_EQ(GbkToUtf8(kZhong + kWen), "中文");
  EXPECT_EQ(GbkToUtf8("plain"), "plain");
  EXPECT_EQ(GbkToUtf8("a\xFF"
                      "b"),
            "a?b");
  EXPECT_EQ(GbkToUtf8("a\xD6"), "a?");  // lead byte at the end
  // Round trip through both directions keeps every GBK character.
  EXPECT_EQ(Utf8ToGbk(GbkToUtf8(kZhong + "x" + kWen)), kZhong + "x" + kWen);
}

TEST(Text, CharsetToGbkReadsNamedSetsAndRefusesWhatIsNotInThem) {
  // "臺灣電話" in Big5 (also GBK characters), and a Thai letter in UTF-16LE (no GBK form).
  const std::string big5 = "\xBB\x4F\xC6\x57\xB9\x71\xB8\xDC";
  std::string gbk = "untouched";
  ASSERT_TRUE(CharsetToGbk(big5, "BIG5", gbk));
  EXPECT_EQ(gbk, Utf8ToGbk("臺灣電話"));
  ASSERT_TRUE(CharsetToGbk(std::string("a\0\x01\x0E", 4), "UTF-16LE", gbk));
  EXPECT_EQ(gbk, "a?");
  // One invalid byte in a hundred is read as "?"; more is no text of that set.
  std::string mostly(198, 'a');
  ASSERT_TRUE(CharsetToGbk(mostly + "\xFF", "BIG5", gbk));
  EXPECT_EQ(gbk, mostly + "?");
  gbk = "untouched";
  EXPECT_FALSE(CharsetToGbk("ab\xFF", "BIG5", gbk));
  EXPECT_FALSE(CharsetToGbk("ab", "NO-SUCH-SET", gbk));
  EXPECT_EQ(gbk, "untouched");
}

TEST(Text, LeadBytesAndCharacterBoundaries) {
  EXPECT_FALSE(IsGbkLeadByte('\x80'));
  EXPECT_TRUE(IsGbkLeadByte('\x81'));
  EXPECT_TRUE(IsGbkLeadByte('\xFE'));
  EXPECT_FALSE(IsGbkLeadByte('\xFF'));
  EXPECT_FALSE(IsGbkLeadByte('A'));

  std::string t = "a" + kZhong + "b";
  EXPECT_EQ(GbkCharCount(t), 3u);
  EXPECT_FALSE(IsGbkTrailPosition(t, 1));
  EXPECT_TRUE(IsGbkTrailPosition(t, 2));
  EXPECT_FALSE(IsGbkTrailPosition(t, 3));
}

TEST(Text, CaseFoldingLeavesDoubleByteCharactersAlone) {
  // 0xB0 0x41 and 0xB0 0x61 are two different GBK characters whose second bytes are 'A'/'a'.
  std::string upperTrail = "\xB0\x41";
  std::string lowerTrail = "\xB0\x61";
  EXPECT_FALSE(SameText(upperTrail, lowerTrail));
  EXPECT_TRUE(SameText("Mail@X.cn", "mail@x.CN"));
  EXPECT_EQ(GbkLower("AB" + upperTrail + "C"), "ab" + upperTrail + "c");
  EXPECT_EQ(GbkUpper("ab" + lowerTrail), "AB" + lowerTrail);
}

TEST(Text, FindAndReplaceWithoutCase) {
  EXPECT_EQ(FindNoCase("Hello World", "WORLD"), 6u);
  EXPECT_EQ(FindNoCase("abc", "x"), std::string::npos);
  // A needle never matches from the middle of a double-byte character.
  std::string t =
      "\xB0\x41"
      "A";
  EXPECT_EQ(FindNoCase(t, "a"), 2u);
  EXPECT_EQ(ReplaceAllNoCase("aXbxc", "x", "-"), "a-b-c");
  EXPECT_EQ(ReplaceAll("a,b,,c", ",", " "), "a b  c");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(Trim("   "), "");
}

}  // namespace
}  // namespace vlmr
