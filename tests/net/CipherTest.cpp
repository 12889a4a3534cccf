#include "net/Cipher.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/Text.h"
#include "support/TempFolder.h"

namespace vlmr {
namespace {

std::string LengthTrailer(std::int32_t length) {
  std::string out;
  auto v = static_cast<std::uint32_t>(length);
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<char>((v >> shift) & 0xFF));
  return out;
}

std::string Hex(const TDesKey& key) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (std::uint8_t b : key) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

TEST(FoldKeyTest, EachCharacterIsAddedToKeyByteIModEight) {
  struct TCase {
    std::string text;
    TDesKey key;
  };
  const TCase cases[] = {
      {"", {0, 0, 0, 0, 0, 0, 0, 0}},
      {"A", {0, 'A', 0, 0, 0, 0, 0, 0}},
      {"abcdefg", {0, 'a', 'b', 'c', 'd', 'e', 'f', 'g'}},
      {"abcdefgh", {'h', 'a', 'b', 'c', 'd', 'e', 'f', 'g'}},
      // The ninth character adds to byte 1, the tenth to byte 2 (modulo 256).
      {"p4tnw8kxe", {'x', 'p' + 'e', '4', 't', 'n', 'w', '8', 'k'}},
      {std::string(9, '\xFF'), {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FoldKey(c.text), c.key);
  }
}

TEST(DecodeConfigStreamTest, EveryFaultLeavesTheDestinationEmpty) {
  const std::string good = EncodeConfigStream("<a/>", kConfigKeyText);
  ASSERT_EQ(good.size(), 8u + 4u);
  struct TCase {
    const char* what;
    std::string source;
    std::string key;
  };
  const TCase cases[] = {
      {"empty source", "", kConfigKeyText},
      {"shorter than the trailer", "\x01\x02\x03", kConfigKeyText},
      {"4 + 12 bytes", std::string(12, 'x') + LengthTrailer(4), kConfigKeyText},
      {"4 + 7 bytes", std::string(7, 'x') + LengthTrailer(1), kConfigKeyText},
      {"negative length", good.substr(0, 8) + LengthTrailer(-1), kConfigKeyText},
      {"length beyond the blocks", good.substr(0, 8) + LengthTrailer(9), kConfigKeyText},
      {"empty key", good, ""},
      {"an error page", "<html><body>404 Not Found</body></html>", kConfigKeyText},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::string destination = "left over";
    DecodeConfigStream(c.source, destination, c.key);
    EXPECT_TRUE(destination.empty());
  }
}

TEST(DecodeConfigStreamTest, ALengthOfZeroAloneIsAnEmptyTextAndFullBlocksAreCut) {
  std::string destination = "x";
  DecodeConfigStream(LengthTrailer(0), destination, kConfigKeyText);
  EXPECT_EQ(destination, "");
  // The whole last block is kept when the length says so.
  const std::string eight = "12345678";
  DecodeConfigStream(EncodeConfigStream(eight, kConfigKeyText), destination, kConfigKeyText);
  EXPECT_EQ(destination, eight);
}

TEST(DecodeConfigStreamTest, RoundTripsWithTheEncoderForEveryLengthAndAnyKey) {
  const std::string texts[] = {
      "",
      "a",
      "1234567",
      "12345678",
      "123456789",
      Utf8ToGbk("<config><system><loginurl>http://服务.example/</loginurl></system></config>"),
      std::string(5000, '\0') + "tail",
  };
  for (const char* key : {kConfigKeyText, "k", "a much longer key text than eight"}) {
    for (const std::string& text : texts) {
      SCOPED_TRACE(std::string(key) + " / " + std::to_string(text.size()));
      std::string encoded = EncodeConfigStream(text, key);
      ASSERT_EQ(encoded.size(), (text.size() + 7) / 8 * 8 + 4);
      std::string decoded;
      DecodeConfigStream(encoded, decoded, key);
      EXPECT_EQ(decoded, text);
      // The wrong key gives other bytes, never the text (or nothing).
      std::string wrong;
      DecodeConfigStream(encoded, wrong, std::string(key) + "!");
      if (!text.empty()) {
        EXPECT_NE(wrong, text);
      }
    }
  }
}

// Bytes enciphered by the openssl command with its own DES, padded with arbitrary bytes,
// decode to the same text: the cipher is plain DES-ECB with the folded key.
TEST(DecodeConfigStreamTest, DecodesWhatTheOpensslCommandEnciphered) {
  if (std::system("openssl version > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "the openssl command is not installed";
  test::TTempFolder temp;
  const std::string text =
      Utf8ToGbk("<config><version><vlmr ver=\"1.6\">包</vlmr></version></config>");
  std::string padded = text;
  const char padding[] = "\x9A\x01\xEE\x7F\x00\x33\xC4";
  padded.append(padding, (8 - text.size() % 8) % 8);
  test::TTempFolder::Write(temp.File("plain"), padded);
  std::string command = "openssl enc -des-ecb -provider legacy -provider default -nopad -K " +
                        Hex(FoldKey(kConfigKeyText)) + " -in " + temp.File("plain") + " -out " +
                        temp.File("cipher") + " 2>" + temp.File("err");
  ASSERT_EQ(std::system(command.c_str()), 0) << test::TTempFolder::Read(temp.File("err"));
  std::string served = test::TTempFolder::Read(temp.File("cipher")) +
                       LengthTrailer(static_cast<std::int32_t>(text.size()));
  std::string decoded;
  DecodeConfigStream(served, decoded, kConfigKeyText);
  EXPECT_EQ(decoded, text);
}

}  // namespace
}  // namespace vlmr
