// The vendor's side of the update protocol, shared by the configuration tool, the vendor
// service and the tests: Ed25519 keys and package signatures, the enciphered configuration,
// and the replies of the vendor's web service served from a folder.
#pragma once

#include <optional>
#include <string>

namespace vlmr::vendor {

struct TKeyPair {
  std::string privatePem;    // PKCS#8 PEM
  std::string publicBase64;  // the 32 raw bytes, base64: what the program is built with
};

std::optional<TKeyPair> GenerateKeyPair();
// The public key (base64) of a PEM private key; nothing when it is not an Ed25519 key.
std::optional<std::string> PublicKeyOf(const std::string& privatePem);
// Ed25519 signature (base64) of `data`; nothing on a bad key.
std::optional<std::string> SignBytes(const std::string& privatePem, const std::string& data);

// The attributes of a package element: ver="..." crc="..." sha256="..." sig="...", where sig
// signs the manifest of `product` ("vlmr" or "vlmrupdate"), `version` and the package's
// SHA-256. Nothing on a bad key or an empty version.
std::optional<std::string> PackageAttributes(const std::string& privatePem,
                                             const std::string& packageBytes,
                                             const std::string& version,
                                             const std::string& product);

// The served configuration from an XML text: UTF-8 input is converted to GBK first (the
// program reads GBK); other bytes are taken as GBK already.
std::string EncipherConfig(const std::string& xml);

struct TReply {
  int status = 404;
  std::string body;
  std::string contentType = "text/plain";
};

// The vendor service's answer for a GET of `path` (without the query) and `query`, from the
// files of `folder`:
//   /newapi/config.txt                 config.txt (the enciphered configuration)
//   /http.aspx?action=contact&user=U   contact-U.txt, else contact.txt (UTF-8 text)
//   /http.aspx?action=des&t=N          des.txt (UTF-8 text)
//   /pop.aspx?t=N                      pop.html
//   any other path                     the file of that path below the folder (packages)
// A path that leaves the folder, or a missing file, is 404.
TReply VendorReply(const std::string& folder, const std::string& path, const std::string& query);

}  // namespace vlmr::vendor
