// vlmrcfg: the vendor's configuration and signing tool.
//   vlmrcfg keygen KEYFILE            new Ed25519 key: private key to KEYFILE (mode 600), public
//                                     key (base64, for VLMR_UPDATE_PUBLIC_KEY) on stdout
//   vlmrcfg pubkey KEYFILE            the public key of KEYFILE
//   vlmrcfg encipher XMLFILE OUTFILE  the served configuration (config.txt) from an XML file
//   vlmrcfg decipher INFILE           the XML text of a served configuration, on stdout
//   vlmrcfg sign KEYFILE PACKAGE VER [PRODUCT]
//                                     the attributes for <vlmr> (PRODUCT vlmr, the default) or
//                                     <vlmrupdate> (PRODUCT vlmrupdate):
//                                     ver="VER" crc="..." sha256="..." sig="...", the signature
//                                     binding product, version and the package's SHA-256
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>

#include "VendorKit.h"
#include "base/Text.h"
#include "net/Cipher.h"
#include "net/UpdateManifest.h"

namespace {

std::optional<std::string> ReadAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open())
    return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteAll(const char* path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  out.close();
  return !out.fail();
}

int Usage() {
  std::cerr << "usage: vlmrcfg keygen KEYFILE | pubkey KEYFILE | encipher XMLFILE OUTFILE |"
               " decipher INFILE | sign KEYFILE PACKAGE VER [vlmr|vlmrupdate]\n";
  return 2;
}

int Fail(const std::string& what) {
  std::cerr << "vlmrcfg: " << what << "\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vlmr::vendor;
  if (argc < 3)
    return Usage();
  const std::string command = argv[1];
  if (command == "keygen" && argc == 3) {
    std::optional<TKeyPair> pair = GenerateKeyPair();
    if (!pair)
      return Fail("cannot make a key");
    ::umask(077);
    if (!WriteAll(argv[2], pair->privatePem))
      return Fail(std::string("cannot write ") + argv[2]);
    std::cout << pair->publicBase64 << "\n";
    return 0;
  }
  if (command == "pubkey" && argc == 3) {
    std::optional<std::string> pem = ReadAll(argv[2]);
    std::optional<std::string> pub = pem ? PublicKeyOf(*pem) : std::nullopt;
    if (!pub)
      return Fail(std::string("no Ed25519 private key in ") + argv[2]);
    std::cout << *pub << "\n";
    return 0;
  }
  if (command == "encipher" && argc == 4) {
    std::optional<std::string> xml = ReadAll(argv[2]);
    if (!xml)
      return Fail(std::string("cannot read ") + argv[2]);
    std::string served = EncipherConfig(*xml);
    if (served.empty() || !WriteAll(argv[3], served))
      return Fail(std::string("cannot write ") + argv[3]);
    return 0;
  }
  if (command == "decipher" && argc == 3) {
    std::optional<std::string> served = ReadAll(argv[2]);
    std::string plain;
    if (served)
      vlmr::DecodeConfigStream(*served, plain, vlmr::kConfigKeyText);
    if (plain.empty())
      return Fail(std::string("nothing to decipher in ") + argv[2]);
    std::cout << vlmr::GbkToUtf8(plain) << "\n";
    return 0;
  }
  if (command == "sign" && (argc == 5 || argc == 6)) {
    const std::string product = argc == 6 ? argv[5] : vlmr::kProgramProduct;
    if (product != vlmr::kProgramProduct && product != vlmr::kUpdaterProduct)
      return Fail("the product is vlmr or vlmrupdate");
    std::optional<std::string> pem = ReadAll(argv[2]);
    std::optional<std::string> package = ReadAll(argv[3]);
    if (!pem || !package)
      return Fail("cannot read the key or the package");
    std::optional<std::string> attributes = PackageAttributes(*pem, *package, argv[4], product);
    if (!attributes)
      return Fail(std::string("no Ed25519 private key in ") + argv[2] + ", or a bad version");
    std::cout << *attributes << "\n";
    return 0;
  }
  return Usage();
}
