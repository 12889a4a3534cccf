#include "VendorKit.h"

#include <gtest/gtest.h>

#include "base/Text.h"
#include "base/Version.h"
#include "net/Cipher.h"
#include "net/ConfigDocument.h"
#include "net/PackageSignature.h"
#include "net/UpdateManifest.h"
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
  auto keys = vendor::GenerateKeyPair();
  auto other = vendor::GenerateKeyPair();
  ASSERT_TRUE(keys && other);
  EXPECT_EQ(vendor::PublicKeyOf(keys->privatePem), keys->publicBase64);
  EXPECT_TRUE(IsPublicKeyText(keys->publicBase64));
  const std::string data = "manifest bytes";
  std::string sig = *vendor::SignBytes(keys->privatePem, data);

  struct TCase {
    const char* what;
    std::string data;
    std::string sig;
    std::string key;
    bool ok;
  };
  const TCase cases[] = {
      {"good", data, sig, keys->publicBase64, true},
      {"blanks around", data, " " + sig + "\n", keys->publicBase64, true},
      {"other bytes", data + "!", sig, keys->publicBase64, false},
      {"other key", data, sig, other->publicBase64, false},
      {"no signature", data, "", keys->publicBase64, false},
      {"no key", data, sig, "", false},
      {"short signature", data, sig.substr(0, 40), keys->publicBase64, false},
      {"not base64", data, std::string(sig.size(), '*'), keys->publicBase64, false},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(VerifySignature(c.data, c.sig, c.key), c.ok) << c.what;
  EXPECT_FALSE(vendor::SignBytes("not a key", data));
  for (const char* key : {"", "abc=", "gWCwtREl7mIQ+lCw4U3e4yfR/1F80+Ha6IDcm5rIRQ=="})
    EXPECT_FALSE(IsPublicKeyText(key)) << key;
}

// The vendor's attributes as the program reads them, and every way a hostile configuration
// or package can be put together around a signed manifest.
TEST(VendorKitTest, APackageIsTakenOnlyForTheSignedProductVersionAndBytes) {
  TTempFolder temp;
  auto keys = vendor::GenerateKeyPair();
  auto other = vendor::GenerateKeyPair();
  ASSERT_TRUE(keys && other);
  const std::string package = "package 1.6";
  const std::string older = "package 1.4";
  TTempFolder::Write(temp.File("update.zip"), package);
  TTempFolder::Write(temp.File("older.zip"), older);

  auto attributes = vendor::PackageAttributes(keys->privatePem, "123456789", "1.6", "vlmr");
  ASSERT_TRUE(attributes);
  EXPECT_EQ(attributes->rfind("ver=\"1.6\" crc=\"3421780262\" sha256=\"15e2b0d3c33891ebb0f1ef609ec"
                              "419420c20e320ce94c65fbc8c3312448eb225\" sig=\"",
                              0),
            0u);  // the CRC-32 and SHA-256 check values
  EXPECT_FALSE(vendor::PackageAttributes(keys->privatePem, package, "", "vlmr"));
  EXPECT_FALSE(vendor::PackageAttributes(keys->privatePem, package, "1.6\"x", "vlmr"));

  // The good offer as the program reads it from the configuration.
  std::string xml = "<config><version><vlmr " +
                    *vendor::PackageAttributes(keys->privatePem, package, "1.6", "vlmr") +
                    ">http://dl/update.zip</vlmr></version></config>";
  auto doc = ReadConfigDocument(vendor::EncipherConfig(xml), temp.File("update"));
  ASSERT_TRUE(doc && doc->info->HasUpdate);
  const TUpdateManifest good{kProgramProduct, doc->info->PackageVersion, doc->info->PackageSha256,
                             doc->info->PackageSig, CONFIG_VERSION};
  // Another signed manifest, offered in a <vlmr> element (so read as the program's product).
  auto offer = [&](const std::string& bytes, const std::string& version, const std::string& product,
                   const std::string& privatePem) {
    TUpdateManifest m{product, version, Sha256Hex(bytes), {}, CONFIG_VERSION};
    m.signature = *vendor::SignBytes(privatePem, m.SignedText());
    m.product = kProgramProduct;
    return m;
  };
  auto with = [&](auto change) {
    TUpdateManifest m = good;
    change(m);
    return m;
  };
  struct TCase {
    const char* what;
    TUpdateManifest manifest;
    const char* file;
    std::string key;
    TPackageCheck expected;
  };
  const TCase cases[] = {
      {"the signed package", good, "update.zip", keys->publicBase64, TPackageCheck::Ok},
      {"a signed 1.4 offered as 1.6", with([&](TUpdateManifest& m) {
         m = offer(older, "1.4", "vlmr", keys->privatePem);
         m.version = "1.6";
       }),
       "older.zip", keys->publicBase64, TPackageCheck::BadSignature},
      {"a signed 1.6 offered as 1.7", with([](TUpdateManifest& m) { m.version = "1.7"; }),
       "update.zip", keys->publicBase64, TPackageCheck::BadSignature},
      {"the same version written otherwise", with([](TUpdateManifest& m) { m.version = "1.60"; }),
       "update.zip", keys->publicBase64, TPackageCheck::BadSignature},
      {"an honest older version", offer(older, "1.4", "vlmr", keys->privatePem), "older.zip",
       keys->publicBase64, TPackageCheck::NotNewer},
      {"an honest equal version", offer(older, "1.5", "vlmr", keys->privatePem), "older.zip",
       keys->publicBase64, TPackageCheck::NotNewer},
      {"the updater's package offered as the program",
       offer(package, "1.6", "vlmrupdate", keys->privatePem), "update.zip", keys->publicBase64,
       TPackageCheck::BadSignature},
      {"other bytes than the signed ones", good, "older.zip", keys->publicBase64,
       TPackageCheck::BadHash},
      {"the hash of the other bytes",
       with([&](TUpdateManifest& m) { m.sha256 = Sha256Hex(older); }), "older.zip",
       keys->publicBase64, TPackageCheck::BadSignature},
      {"signed with another key", offer(package, "1.6", "vlmr", other->privatePem), "update.zip",
       keys->publicBase64, TPackageCheck::BadSignature},
      {"no key built in", good, "update.zip", "", TPackageCheck::BadSignature},
      {"no signature", with([](TUpdateManifest& m) { m.signature.clear(); }), "update.zip",
       keys->publicBase64, TPackageCheck::BadSignature},
      {"a line break smuggled into the version",
       with([](TUpdateManifest& m) { m.version = "1.6\nsha256=" + m.sha256; }), "update.zip",
       keys->publicBase64, TPackageCheck::BadSignature},
      {"no package file", good, "none.zip", keys->publicBase64, TPackageCheck::BadHash},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CheckPackage(temp.File(c.file), c.manifest, kProgramProduct, c.key), c.expected);
  }

  // The hand-over file reads back; one without its parts is nothing.
  EXPECT_EQ(ParseManifestFile(FormatManifestFile(good))->SignedText(), good.SignedText());
  EXPECT_EQ(ParseManifestFile(FormatManifestFile(good))->installed, CONFIG_VERSION);
  EXPECT_FALSE(ParseManifestFile("product=vlmr\nversion=1.6\nsig=x\n"));
  EXPECT_FALSE(ParseManifestFile(""));
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
