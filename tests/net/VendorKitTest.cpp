#include "VendorKit.h"

#include <gtest/gtest.h>

#include "base/Text.h"
#include "net/Cipher.h"
#include "net/ConfigDocument.h"
#include "net/PackageSignature.h"
#include "support/TempFolder.h"

namespace vlmr {
namespace {

using test::TTempFolder;

TEST(VendorKitTest, TheToolsConfigurationReadsBackInTheProgram) {
  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"gb2312\"?>\n<config><version>"
      "<vlmr ver=\"1.6\" crc=\"12\" sig=\"abc=\">http://dl/包.zip</vlmr></version>"
      "<system><loginurl>http://svc/</loginurl></system></config>\n";
  std::string served = vendor::EncipherConfig(xml);
  std::string plain;
  DecodeConfigStream(served, plain, kConfigKeyText);
  EXPECT_EQ(plain, Utf8ToGbk(xml));  // UTF-8 input is served as GBK
  auto doc = ReadConfigDocument(served, "/nonexistent/update");
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->info->PackageUrl, Utf8ToGbk("http://dl/包.zip"));
  EXPECT_EQ(doc->info->PackageSig, "abc=");
  // GBK input is taken as it is.
  std::string gbk = Utf8ToGbk(xml);
  DecodeConfigStream(vendor::EncipherConfig(gbk), plain, kConfigKeyText);
  EXPECT_EQ(plain, gbk);
}

TEST(VendorKitTest, SignaturesVerifyOnlyForTheirBytesAndTheirKey) {
  TTempFolder temp;
  auto keys = vendor::GenerateKeyPair();
  auto other = vendor::GenerateKeyPair();
  ASSERT_TRUE(keys && other);
  EXPECT_EQ(vendor::PublicKeyOf(keys->privatePem), keys->publicBase64);
  EXPECT_EQ(DecodeBase64(keys->publicBase64)->size(), 32u);
  const std::string data = "package bytes";
  TTempFolder::Write(temp.File("p.zip"), data);
  std::string sig = *vendor::SignBytes(keys->privatePem, data);

  struct TCase {
    const char* what;
    std::string sig;
    std::string key;
    std::string path;
    bool ok;
  };
  const TCase cases[] = {
      {"good", sig, keys->publicBase64, temp.File("p.zip"), true},
      {"blanks around", " " + sig + "\n", keys->publicBase64, temp.File("p.zip"), true},
      {"other key", sig, other->publicBase64, temp.File("p.zip"), false},
      {"no signature", "", keys->publicBase64, temp.File("p.zip"), false},
      {"no key", sig, "", temp.File("p.zip"), false},
      {"short signature", sig.substr(0, 40), keys->publicBase64, temp.File("p.zip"), false},
      {"not base64", std::string(sig.size(), '*'), keys->publicBase64, temp.File("p.zip"), false},
      {"no file", sig, keys->publicBase64, temp.File("none.zip"), false},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(VerifyPackageSignature(c.path, c.sig, c.key), c.ok) << c.what;
  TTempFolder::Write(temp.File("p.zip"), data + "!");
  EXPECT_FALSE(VerifyPackageSignature(temp.File("p.zip"), sig, keys->publicBase64));

  auto attributes = vendor::PackageAttributes(keys->privatePem, "123456789", "1.6");
  ASSERT_TRUE(attributes);
  EXPECT_EQ(attributes->rfind("ver=\"1.6\" crc=\"3421780262\" sig=\"", 0),
            0u);  // CRC-32 check value
  EXPECT_FALSE(vendor::SignBytes("not a key", data));
}

TEST(VendorKitTest, Base64RoundTripsAndRefusesMalformedText) {
  for (std::string bytes : {"", "a", "ab", "abc", "abcd", "\xFF\x00\x80"}) {
    EXPECT_EQ(DecodeBase64(EncodeBase64(bytes)), bytes);
  }
  for (const char* bad : {"abc", "a===", "ab=c", "*bcd", "ab==cd=="})
    EXPECT_FALSE(DecodeBase64(bad)) << bad;
}

TEST(VendorKitTest, TheServiceAnswersFromItsFolder) {
  TTempFolder temp;
  TTempFolder::Write(temp.File("config.txt"), "CFG");
  TTempFolder::Write(temp.File("contact.txt"), "tel|qq|co|me|x");
  TTempFolder::Write(temp.File("contact-bob.txt"), "bob's");
  TTempFolder::Write(temp.File("des.txt"), "DES");
  TTempFolder::Write(temp.File("pop.html"), "<p>POP</p>");
  std::filesystem::create_directories(temp.Path() / "pkg");
  TTempFolder::Write(temp.File("pkg/update.zip"), "ZIP");
  struct TCase {
    std::string path, query;
    int status;
    std::string body;
  };
  const TCase cases[] = {
      {"/newapi/config.txt", "", 200, "CFG"},
      {"/http.aspx", "action=contact&user=adm", 200, "tel|qq|co|me|x"},
      {"/http.aspx", "action=contact&user=bob", 200, "bob's"},
      {"/http.aspx", "action=contact&user=../config", 200, "tel|qq|co|me|x"},
      {"/http.aspx", "action=des&t=8", 200, "DES"},
      {"/pop.aspx", "t=9", 200, "<p>POP</p>"},
      {"/pkg/update.zip", "", 200, "ZIP"},
      {"/pkg/none.zip", "", 404, ""},
      {"/../etc/passwd", "", 404, ""},
      {"/pkg/../../x", "", 404, ""},
      {"/", "", 404, ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.path + "?" + c.query);
    vendor::TReply r = vendor::VendorReply(temp.Path().string(), c.path, c.query);
    EXPECT_EQ(r.status, c.status);
    if (c.status == 200) {
      EXPECT_EQ(r.body, c.body);
    }
  }
}

}  // namespace
}  // namespace vlmr
