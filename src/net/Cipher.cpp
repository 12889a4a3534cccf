#include "net/Cipher.h"

#include <openssl/evp.h>
#include <openssl/provider.h>

#include <limits>
#include <memory>
#include <mutex>

namespace vlmr {
namespace {

// A library context with the legacy provider (single DES) and the default one, made once and
// kept for the process; the global context stays as the rest of the program configured it.
class TLegacyContext {
 public:
  TLegacyContext() {
    ctx_ = OSSL_LIB_CTX_new();
    if (!ctx_)
      return;
    legacy_ = OSSL_PROVIDER_load(ctx_, "legacy");
    default_ = OSSL_PROVIDER_load(ctx_, "default");
    if (legacy_)
      des_ = EVP_CIPHER_fetch(ctx_, "DES-ECB", nullptr);
  }
  ~TLegacyContext() {
    EVP_CIPHER_free(des_);
    if (default_)
      OSSL_PROVIDER_unload(default_);
    if (legacy_)
      OSSL_PROVIDER_unload(legacy_);
    OSSL_LIB_CTX_free(ctx_);
  }
  TLegacyContext(const TLegacyContext&) = delete;
  TLegacyContext& operator=(const TLegacyContext&) = delete;

  const EVP_CIPHER* Des() const { return des_; }

  static const TLegacyContext& Instance() {
    static const TLegacyContext instance;
    return instance;
  }

 private:
  OSSL_LIB_CTX* ctx_ = nullptr;
  OSSL_PROVIDER* legacy_ = nullptr;
  OSSL_PROVIDER* default_ = nullptr;
  EVP_CIPHER* des_ = nullptr;
};

// Runs DES-ECB over whole blocks, without padding; false on any cipher error.
bool DesEcb(const TDesKey& key, bool encrypt, const unsigned char* in, std::size_t size,
            std::string& out) {
  const EVP_CIPHER* des = TLegacyContext::Instance().Des();
  if (!des || size % 8 != 0 || size > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    return false;
  std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)> ctx(EVP_CIPHER_CTX_new(),
                                                                 &EVP_CIPHER_CTX_free);
  if (!ctx ||
      EVP_CipherInit_ex2(ctx.get(), des, key.data(), nullptr, encrypt ? 1 : 0, nullptr) != 1)
    return false;
  EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
  out.assign(size + 8, '\0');
  int written = 0;
  int tail = 0;
  auto* dst = reinterpret_cast<unsigned char*>(out.data());
  if (EVP_CipherUpdate(ctx.get(), dst, &written, in, static_cast<int>(size)) != 1 ||
      EVP_CipherFinal_ex(ctx.get(), dst + written, &tail) != 1) {
    out.clear();
    return false;
  }
  out.resize(static_cast<std::size_t>(written + tail));
  return out.size() == size;
}

}  // namespace

TDesKey FoldKey(std::string_view keyText) {
  TDesKey key{};
  for (std::size_t i = 1; i <= keyText.size(); ++i) {
    key[i % 8] = static_cast<std::uint8_t>(key[i % 8] + static_cast<unsigned char>(keyText[i - 1]));
  }
  return key;
}

void DecodeConfigStream(const std::string& source, std::string& destination,
                        std::string_view keyText) {
  destination.clear();
  if (keyText.empty() || source.size() < 4)
    return;
  const std::size_t n = source.size() - 4;
  if (n % 8 != 0)
    return;  // "Invalid data size!"
  const auto* tail = reinterpret_cast<const unsigned char*>(source.data() + n);
  const std::int32_t length = static_cast<std::int32_t>(
      static_cast<std::uint32_t>(tail[0]) | static_cast<std::uint32_t>(tail[1]) << 8 |
      static_cast<std::uint32_t>(tail[2]) << 16 | static_cast<std::uint32_t>(tail[3]) << 24);
  // The encoder never writes a length outside the decrypted bytes: it is a size error too.
  if (length < 0 || static_cast<std::size_t>(length) > n)
    return;
  std::string plain;
  if (!DesEcb(FoldKey(keyText), false, reinterpret_cast<const unsigned char*>(source.data()), n,
              plain))
    return;
  plain.resize(static_cast<std::size_t>(length));
  destination = std::move(plain);
}

std::string EncodeConfigStream(const std::string& plain, std::string_view keyText) {
  if (keyText.empty() || plain.size() > static_cast<std::size_t>(0x7FFFFFF0))
    return {};
  std::string padded = plain;
  padded.resize((plain.size() + 7) / 8 * 8, '\0');
  std::string out;
  if (!DesEcb(FoldKey(keyText), true, reinterpret_cast<const unsigned char*>(padded.data()),
              padded.size(), out))
    return {};
  const auto length = static_cast<std::uint32_t>(plain.size());
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<char>((length >> shift) & 0xFF));
  return out;
}

}  // namespace vlmr
