#include "VendorKit.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

#include "base/Text.h"
#include "net/Cipher.h"
#include "net/PackageSignature.h"
#include "net/UpdateManifest.h"

namespace vlmr::vendor {
namespace {

namespace fs = std::filesystem;

using TKey = std::unique_ptr<EVP_PKEY, void (*)(EVP_PKEY*)>;
using TBio = std::unique_ptr<BIO, int (*)(BIO*)>;

TKey ReadPrivateKey(const std::string& pem) {
  TBio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), &BIO_free);
  EVP_PKEY* key = bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr;
  if (key && EVP_PKEY_get_id(key) != EVP_PKEY_ED25519) {
    EVP_PKEY_free(key);
    key = nullptr;
  }
  return TKey(key, &EVP_PKEY_free);
}

std::optional<std::string> RawPublic(EVP_PKEY* key) {
  unsigned char raw[32];
  std::size_t size = sizeof raw;
  if (EVP_PKEY_get_raw_public_key(key, raw, &size) != 1 || size != sizeof raw)
    return std::nullopt;
  return EncodeBase64(std::string(reinterpret_cast<char*>(raw), size));
}

std::optional<std::string> ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in.is_open())
    return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::map<std::string, std::string> QueryFields(const std::string& query) {
  std::map<std::string, std::string> fields;
  std::size_t pos = 0;
  while (pos <= query.size()) {
    std::size_t end = query.find('&', pos);
    if (end == std::string::npos)
      end = query.size();
    std::string pair = query.substr(pos, end - pos);
    std::size_t eq = pair.find('=');
    if (!pair.empty())
      fields[pair.substr(0, eq)] = eq == std::string::npos ? "" : pair.substr(eq + 1);
    pos = end + 1;
  }
  return fields;
}

// A file below the folder named by a request path; nothing when the path would leave it.
std::optional<fs::path> Inside(const std::string& folder, const std::string& relative) {
  fs::path rel = fs::path(relative).lexically_normal();
  if (rel.empty() || rel.is_absolute() || *rel.begin() == "..")
    return std::nullopt;
  return fs::path(folder) / rel;
}

TReply FileReply(const fs::path& p, const char* type) {
  std::error_code ec;
  if (!fs::is_regular_file(p, ec))
    return {};
  std::optional<std::string> data = ReadFile(p);
  if (!data)
    return {};
  return {200, std::move(*data), type};
}

}  // namespace

std::optional<TKeyPair> GenerateKeyPair() {
  TKey key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"), &EVP_PKEY_free);
  if (!key)
    return std::nullopt;
  TBio bio(BIO_new(BIO_s_mem()), &BIO_free);
  if (!bio ||
      PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
    return std::nullopt;
  char* data = nullptr;
  long size = BIO_get_mem_data(bio.get(), &data);
  std::optional<std::string> pub = RawPublic(key.get());
  if (!pub || size <= 0)
    return std::nullopt;
  return TKeyPair{std::string(data, static_cast<std::size_t>(size)), *pub};
}

std::optional<std::string> PublicKeyOf(const std::string& privatePem) {
  TKey key = ReadPrivateKey(privatePem);
  if (!key)
    return std::nullopt;
  return RawPublic(key.get());
}

std::optional<std::string> SignBytes(const std::string& privatePem, const std::string& data) {
  TKey key = ReadPrivateKey(privatePem);
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  if (!key || !ctx || EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1)
    return std::nullopt;
  unsigned char signature[64];
  std::size_t size = sizeof signature;
  if (EVP_DigestSign(ctx.get(), signature, &size,
                     reinterpret_cast<const unsigned char*>(data.data()), data.size()) != 1)
    return std::nullopt;
  return EncodeBase64(std::string(reinterpret_cast<char*>(signature), size));
}

std::optional<std::string> PackageAttributes(const std::string& privatePem,
                                             const std::string& packageBytes,
                                             const std::string& version,
                                             const std::string& product) {
  if (version.empty() || version.find_first_of("\"\r\n<>&") != std::string::npos)
    return std::nullopt;
  TUpdateManifest manifest{product, version, Sha256Hex(packageBytes), {}, {}};
  std::optional<std::string> sig = SignBytes(privatePem, manifest.SignedText());
  if (!sig)
    return std::nullopt;
  std::uint32_t crc =
      static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(packageBytes.data()),
                                       static_cast<uInt>(packageBytes.size())));
  return "ver=\"" + version + "\" crc=\"" + std::to_string(crc) + "\" sha256=\"" + manifest.sha256 +
         "\" sig=\"" + *sig + "\"";
}

std::string EncipherConfig(const std::string& xml) {
  std::string gbk = IsValidUtf8(xml) ? Utf8ToGbk(xml) : xml;
  return EncodeConfigStream(gbk, kConfigKeyText);
}

TReply VendorReply(const std::string& folder, const std::string& path, const std::string& query) {
  std::map<std::string, std::string> fields = QueryFields(query);
  if (path == "/newapi/config.txt")
    return FileReply(fs::path(folder) / "config.txt", "text/plain");
  if (path == "/http.aspx" && fields["action"] == "contact") {
    const std::string& user = fields["user"];
    if (!user.empty() && user.find_first_of("/\\.") == std::string::npos) {
      TReply own =
          FileReply(fs::path(folder) / ("contact-" + user + ".txt"), "text/plain; charset=utf-8");
      if (own.status == 200)
        return own;
    }
    return FileReply(fs::path(folder) / "contact.txt", "text/plain; charset=utf-8");
  }
  if (path == "/http.aspx" && fields["action"] == "des")
    return FileReply(fs::path(folder) / "des.txt", "text/plain; charset=utf-8");
  if (path == "/pop.aspx")
    return FileReply(fs::path(folder) / "pop.html", "text/html; charset=utf-8");
  if (path.size() < 2 || path.front() != '/')
    return {};
  std::optional<fs::path> file = Inside(folder, path.substr(1));
  if (!file)
    return {};
  const std::string ext = file->extension().string();
  const char* type = ext == ".zip"    ? "application/zip"
                     : ext == ".html" ? "text/html; charset=utf-8"
                     : ext == ".png"  ? "image/png"
                                      : "application/octet-stream";
  return FileReply(*file, type);
}

}  // namespace vlmr::vendor
