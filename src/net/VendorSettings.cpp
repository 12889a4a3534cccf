#include "net/VendorSettings.h"

#include <optional>

#include "base/Guarded.h"

#ifndef VLMR_CONFIG_HOST
#define VLMR_CONFIG_HOST ""
#endif
#ifndef VLMR_UPDATE_PUBLIC_KEY
#define VLMR_UPDATE_PUBLIC_KEY ""
#endif
#ifndef VLMR_QQ_CHAT_HOST
#define VLMR_QQ_CHAT_HOST "wpa.qq.com"
#endif

namespace vlmr {
namespace {

TGuarded<std::optional<std::string>>& HostOverride() {
  static TGuarded<std::optional<std::string>> host;
  return host;
}
TGuarded<std::string>& KeyOverride() {
  static TGuarded<std::string> key;
  return key;
}

}  // namespace

std::string VendorConfigHost() {
  return HostOverride().Get().value_or(VLMR_CONFIG_HOST);
}

std::string ConfigUrl() {
  std::string host = VendorConfigHost();
  return host.empty() ? std::string() : "http://" + host + "/newapi/config.txt";
}

std::string UpdatePublicKey() {
  const std::string key = KeyOverride().Get();
  return key.empty() ? std::string(VLMR_UPDATE_PUBLIC_KEY) : key;
}

std::string QqChatHost() {
  return VLMR_QQ_CHAT_HOST;
}

std::string QqChatUrl(const std::string& qq) {
  return "http://" + QqChatHost() + "/msgrd?v=3&uin=" + qq + "&site=qq&menu=yes";
}

void SetVendorConfigHostForTesting(const char* host) {
  HostOverride().Set(host ? std::optional<std::string>(host) : std::nullopt);
}

void SetUpdatePublicKeyForTesting(const std::string& key) {
  KeyOverride().Set(key);
}

}  // namespace vlmr
