#include "net/UpdateManifest.h"

#include <openssl/evp.h>

#include <fstream>
#include <memory>

#include "base/Text.h"
#include "net/ConfigDocument.h"
#include "net/PackageSignature.h"

namespace vlmr {
namespace {

using TDigest = std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)>;

std::string Hex(const unsigned char* bytes, unsigned size) {
  static const char* const kDigits = "0123456789abcdef";
  std::string out;
  for (unsigned i = 0; i < size; ++i) {
    out.push_back(kDigits[bytes[i] >> 4]);
    out.push_back(kDigits[bytes[i] & 15]);
  }
  return out;
}

TDigest NewDigest() {
  TDigest ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  if (ctx && EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1)
    ctx.reset();
  return ctx;
}

std::string Finish(EVP_MD_CTX* ctx) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned size = 0;
  if (EVP_DigestFinal_ex(ctx, digest, &size) != 1)
    return {};
  return Hex(digest, size);
}

}  // namespace

std::string TUpdateManifest::SignedText() const {
  return "product=" + product + "\nversion=" + version + "\nsha256=" + sha256 + "\n";
}

std::string Sha256Hex(std::string_view data) {
  TDigest ctx = NewDigest();
  if (!ctx || EVP_DigestUpdate(ctx.get(), data.data(), data.size()) != 1)
    return {};
  return Finish(ctx.get());
}

std::string FileSha256(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  TDigest ctx = NewDigest();
  if (!in.is_open() || !ctx)
    return {};
  char chunk[65536];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    if (EVP_DigestUpdate(ctx.get(), chunk, static_cast<std::size_t>(in.gcount())) != 1)
      return {};
  }
  if (in.bad())
    return {};
  return Finish(ctx.get());
}

TPackageCheck CheckPackage(const std::string& path, const TUpdateManifest& manifest,
                           std::string_view expectedProduct, std::string_view publicKeyBase64) {
  // Fields with line breaks could make two manifests sign the same text.
  for (const std::string* field : {&manifest.product, &manifest.version, &manifest.sha256}) {
    if (field->find_first_of("\r\n") != std::string::npos)
      return TPackageCheck::BadSignature;
  }
  if (!VerifySignature(manifest.SignedText(), manifest.signature, publicKeyBase64))
    return TPackageCheck::BadSignature;
  if (manifest.product != expectedProduct)
    return TPackageCheck::WrongProduct;
  if (!manifest.installed.empty() &&
      !(ReadVersionNumber(manifest.version) > ReadVersionNumber(manifest.installed)))
    return TPackageCheck::NotNewer;
  std::string hash = FileSha256(path);
  if (hash.empty() || hash != GbkLower(Trim(manifest.sha256)))
    return TPackageCheck::BadHash;
  return TPackageCheck::Ok;
}

std::string PackageCheckReason(TPackageCheck check) {
  switch (check) {
    case TPackageCheck::Ok:
      return {};
    case TPackageCheck::BadSignature:
      return Utf8ToGbk("升级包的签名无效");
    case TPackageCheck::WrongProduct:
      return Utf8ToGbk("升级包不属于本程序");
    case TPackageCheck::NotNewer:
      return Utf8ToGbk("升级包不是更新的版本");
    case TPackageCheck::BadHash:
      return Utf8ToGbk("升级包校验失败");
  }
  return {};
}

std::string FormatManifestFile(const TUpdateManifest& manifest) {
  return manifest.SignedText() + "sig=" + manifest.signature + "\ninstalled=" + manifest.installed +
         "\n";
}

std::optional<TUpdateManifest> ParseManifestFile(std::string_view text) {
  TUpdateManifest m;
  bool product = false, version = false, sha = false, sig = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos)
      end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    while (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
      continue;
    std::string_view key = line.substr(0, eq);
    std::string value(line.substr(eq + 1));
    if (key == "product")
      m.product = value, product = true;
    else if (key == "version")
      m.version = value, version = true;
    else if (key == "sha256")
      m.sha256 = value, sha = true;
    else if (key == "sig")
      m.signature = value, sig = true;
    else if (key == "installed")
      m.installed = value;
  }
  if (!product || !version || !sha || !sig)
    return std::nullopt;
  return m;
}

}  // namespace vlmr
