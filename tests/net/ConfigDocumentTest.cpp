#include "net/ConfigDocument.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>

#include "base/Text.h"
#include "net/Cipher.h"
#include "platform/PeImage.h"
#include "support/TempFolder.h"

namespace vlmr {
namespace {

namespace fs = std::filesystem;

std::string Served(const std::string& xmlUtf8) {
  return EncodeConfigStream(Utf8ToGbk(xmlUtf8), kConfigKeyText);
}

std::string Doc(const std::string& inner) {
  return "<?xml version=\"1.0\" encoding=\"gb2312\"?><config>" + inner + "</config>";
}

class ConfigDocumentTest : public ::testing::Test {
 protected:
  test::TTempFolder temp;
  // A name of its own: a renewed updater ends every process of the updater's file name.
  std::string updater = temp.File("vlmr-test-updater-" + std::to_string(::getpid()));

  void WriteUpdater(std::uint32_t ms, std::uint32_t ls) {
    auto pe = test::BuildPe(false, ms, ls);
    test::TTempFolder::Write(updater, std::string(pe.begin(), pe.end()));
  }
};

TEST_F(ConfigDocumentTest, TheProgramVersionIsComparedAsANumberWithOnePointFive) {
  struct TCase {
    std::string vlmr;
    bool update;
    bool forced;
  };
  const TCase cases[] = {
      {R"(<vlmr ver="1.5" crc="1">http://dl/p.zip</vlmr>)", false, false},
      {R"(<vlmr ver="1.50001" crc="1">http://dl/p.zip</vlmr>)", true, false},
      {R"(<vlmr ver="1.10">http://dl/p.zip</vlmr>)", false, false},
      {R"(<vlmr ver="2.0" force="1">http://dl/p.zip</vlmr>)", true, true},
      {R"(<vlmr ver="2.0" force="yes">http://dl/p.zip</vlmr>)", true, false},
      {R"(<vlmr ver="1.6.1">http://dl/p.zip</vlmr>)", false, false},  // not a number: 1.0
      {R"(<vlmr ver="abc" force="1">http://dl/p.zip</vlmr>)", false, false},
      {R"(<vlmr crc="5">http://dl/p.zip</vlmr>)", false, false},  // no ver
      {R"(<VLMR ver="9">http://dl/p.zip</VLMR>)", false, false},  // names are exact
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.vlmr);
    auto doc = ReadConfigDocument(Served(Doc("<version>" + c.vlmr + "</version>")), updater);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->info);
    EXPECT_EQ(doc->info->HasUpdate, c.update);
    EXPECT_EQ(doc->info->Forced, c.forced);
    EXPECT_EQ(doc->info->PackageUrl, c.update ? "http://dl/p.zip" : "");
    EXPECT_FALSE(doc->info->UpdaterWanted);
  }
}

TEST_F(ConfigDocumentTest, AttributesTextsAndLaterElementsOverwriting) {
  auto doc = ReadConfigDocument(
      Served(Doc("<version><vlmr ver=\"1.6\" crc=\"4294967297\" sig=\"c2ln\">\n  http://a/1.zip "
                 "\n</vlmr><other/></version><junk><loginurl>http://no/</loginurl></junk>"
                 "<version><vlmr ver=\"1.7\" crc=\"-1\">http://a/2.zip</vlmr></version>"
                 "<system><x/><loginurl> http://服务/ </loginurl><loginurl>http://2/</loginurl>"
                 "</system>")),
      updater);
  ASSERT_TRUE(doc);
  EXPECT_TRUE(doc->info->HasUpdate);
  EXPECT_EQ(doc->info->PackageUrl, "http://a/2.zip");
  EXPECT_EQ(doc->info->PackageCrc, 0xFFFFFFFFu);  // -1 cut to 32 bits
  EXPECT_EQ(doc->info->PackageSig, "");           // the later element has none
  ASSERT_TRUE(doc->serviceBaseUrl);
  EXPECT_EQ(*doc->serviceBaseUrl, Utf8ToGbk("http://服务/"));

  auto noLogin = ReadConfigDocument(Served(Doc("<system><url>x</url></system>")), updater);
  ASSERT_TRUE(noLogin);
  ASSERT_TRUE(noLogin->serviceBaseUrl);
  EXPECT_EQ(*noLogin->serviceBaseUrl, "");
  auto noSystem = ReadConfigDocument(Served("<root/>"), updater);
  ASSERT_TRUE(noSystem);
  EXPECT_FALSE(noSystem->serviceBaseUrl);
}

TEST_F(ConfigDocumentTest, NumbersReadTheSameWhateverTheLocale) {
  struct TCase {
    const char* text;
    double version;
    std::uint32_t crc;
  };
  const TCase cases[] = {
      {"1.6", 1.6, 0},
      {" 2 ", 2.0, 2},
      {"1,6", 1.0, 0},
      {"", 1.0, 0},
      {"4294967297", 4294967297.0, 1},
      {"-1", -1.0, 0xFFFFFFFFu},
      {"12ab", 1.0, 0},
      {"99999999999999999999", 1e20, 0},
  };
  const char* saved = std::setlocale(LC_ALL, nullptr);
  std::string restore = saved ? saved : "C";
  bool comma = std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "fr_FR.UTF-8");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_DOUBLE_EQ(ReadVersionNumber(c.text), c.version);
    EXPECT_EQ(ReadCrc(c.text), c.crc);
  }
  std::setlocale(LC_ALL, restore.c_str());
  if (!comma)
    std::printf("no locale with a decimal comma here: checked in the C locale only\n");
}

TEST_F(ConfigDocumentTest, TheUpdaterIsWantedWhenMissingOrOlder) {
  const std::string element =
      R"(<vlmrupdate ver="%s" crc="77" sig="dQ==">http://dl/up.zip</vlmrupdate>)";
  struct TCase {
    const char* what;
    bool onDisk;
    std::uint32_t ms, ls;  // the file's version
    std::string ver;
    bool wanted;
  };
  const TCase cases[] = {
      {"missing, empty ver", false, 0, 0, "", true},
      {"missing, old ver", false, 0, 0, "0.0.0.1", true},
      {"1.0.0.9 offered 1.0.0.10", true, 0x00010000, 9, "1.0.0.10", true},
      {"1.0.0.9 offered 1.0.0.9", true, 0x00010000, 9, "1.0.0.9", false},
      {"1.0.0.9 offered 1.0.0.8", true, 0x00010000, 9, "1.0.0.8", false},
      {"1.0.0.9 offered 1.0.1", true, 0x00010000, 9, "1.0.1", false},
      {"1.0.0.9 offered nothing", true, 0x00010000, 9, "", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(updater);
    if (c.onDisk)
      WriteUpdater(c.ms, c.ls);
    std::string xml = element;
    xml.replace(xml.find("%s"), 2, c.ver);
    auto doc = ReadConfigDocument(Served(Doc("<version>" + xml + "</version>")), updater);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->info->UpdaterWanted, c.wanted);
    EXPECT_EQ(doc->info->UpdaterUrl, c.wanted ? "http://dl/up.zip" : "");
    EXPECT_EQ(doc->info->UpdaterCrc, c.wanted ? 77u : 0u);
    EXPECT_EQ(doc->info->UpdaterSig, c.wanted ? "dQ==" : "");
    EXPECT_FALSE(doc->info->HasUpdate);
    // A renewed updater is deleted at once, even without a program update.
    EXPECT_EQ(fs::exists(updater), c.onDisk && !c.wanted);
  }
}

TEST_F(ConfigDocumentTest, BodiesWithoutACompleteElementYieldNothing) {
  const std::string bodies[] = {
      "",
      "garbage",
      "<html><head><title>500 Internal Server Error</title></head></html>",
      Served("not xml at all"),
      Served("<config><version>"),  // unclosed
      Served(""),
      EncodeConfigStream("<config/>", "another key"),
  };
  for (const std::string& body : bodies) {
    SCOPED_TRACE(body.size());
    EXPECT_FALSE(ReadConfigDocument(body, updater));
  }
}

}  // namespace
}  // namespace vlmr
