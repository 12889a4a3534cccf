#include "net/PackageSignature.h"

#include <openssl/evp.h>

#include <memory>

#include "base/Text.h"

namespace vlmr {
namespace {

constexpr std::size_t kKeyBytes = 32;
constexpr std::size_t kSignatureBytes = 64;

int Sextet(char c) {
  if (c >= 'A' && c <= 'Z')
    return c - 'A';
  if (c >= 'a' && c <= 'z')
    return c - 'a' + 26;
  if (c >= '0' && c <= '9')
    return c - '0' + 52;
  if (c == '+')
    return 62;
  if (c == '/')
    return 63;
  return -1;
}

}  // namespace

std::optional<std::string> DecodeBase64(std::string_view text) {
  std::string t = Trim(text);
  if (t.size() % 4 != 0)
    return std::nullopt;
  std::string out;
  out.reserve(t.size() / 4 * 3);
  for (std::size_t i = 0; i < t.size(); i += 4) {
    int v[4];
    int pad = 0;
    for (int k = 0; k < 4; ++k) {
      char c = t[i + k];
      if (c == '=' && i + 4 == t.size() && k >= 2) {
        v[k] = 0;
        ++pad;
        continue;
      }
      if (pad > 0)
        return std::nullopt;  // data after padding
      v[k] = Sextet(c);
      if (v[k] < 0)
        return std::nullopt;
    }
    std::uint32_t triple = static_cast<std::uint32_t>(v[0]) << 18 |
                           static_cast<std::uint32_t>(v[1]) << 12 |
                           static_cast<std::uint32_t>(v[2]) << 6 | static_cast<std::uint32_t>(v[3]);
    out.push_back(static_cast<char>((triple >> 16) & 0xFF));
    if (pad < 2)
      out.push_back(static_cast<char>((triple >> 8) & 0xFF));
    if (pad < 1)
      out.push_back(static_cast<char>(triple & 0xFF));
  }
  return out;
}

std::string EncodeBase64(std::string_view bytes) {
  static const char* const kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t triple = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
    if (i + 1 < bytes.size())
      triple |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    if (i + 2 < bytes.size())
      triple |= static_cast<unsigned char>(bytes[i + 2]);
    out.push_back(kAlphabet[(triple >> 18) & 63]);
    out.push_back(kAlphabet[(triple >> 12) & 63]);
    out.push_back(i + 1 < bytes.size() ? kAlphabet[(triple >> 6) & 63] : '=');
    out.push_back(i + 2 < bytes.size() ? kAlphabet[triple & 63] : '=');
  }
  return out;
}

bool IsPublicKeyText(std::string_view publicKeyBase64) {
  std::optional<std::string> key = DecodeBase64(publicKeyBase64);
  return key && key->size() == kKeyBytes;
}

bool VerifySignature(std::string_view data, std::string_view signatureBase64,
                     std::string_view publicKeyBase64) {
  std::optional<std::string> signature = DecodeBase64(signatureBase64);
  std::optional<std::string> key = DecodeBase64(publicKeyBase64);
  if (!signature || !key || signature->size() != kSignatureBytes || key->size() != kKeyBytes)
    return false;

  std::unique_ptr<EVP_PKEY, void (*)(EVP_PKEY*)> pkey(
      EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                  reinterpret_cast<const unsigned char*>(key->data()), key->size()),
      &EVP_PKEY_free);
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  if (!pkey || !ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, pkey.get()) != 1)
    return false;
  return EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature->data()),
                          signature->size(), reinterpret_cast<const unsigned char*>(data.data()),
                          data.size()) == 1;
}

}  // namespace vlmr
