#include "net/VendorSettings.h"

#include <mutex>
#include <optional>

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

std::mutex overridesMutex;
std::optional<std::string> hostOverride;
std::string keyOverride;

}  // namespace

std::string VendorConfigHost() {
  std::lock_guard lock(overridesMutex);
  return hostOverride ? *hostOverride : std::string(VLMR_CONFIG_HOST);
}

std::string ConfigUrl() {
  std::string host = VendorConfigHost();
  return host.empty() ? std::string() : "http://" + host + "/newapi/config.txt";
}

std::string UpdatePublicKey() {
  std::lock_guard lock(overridesMutex);
  return keyOverride.empty() ? std::string(VLMR_UPDATE_PUBLIC_KEY) : keyOverride;
}

std::string QqChatHost() {
  return VLMR_QQ_CHAT_HOST;
}

std::string QqChatUrl(const std::string& qq) {
  return "http://" + QqChatHost() + "/msgrd?v=3&uin=" + qq + "&site=qq&menu=yes";
}

void SetVendorConfigHostForTesting(const char* host) {
  std::lock_guard lock(overridesMutex);
  if (host)
    hostOverride = host;
  else
    hostOverride.reset();
}

void SetUpdatePublicKeyForTesting(const std::string& key) {
  std::lock_guard lock(overridesMutex);
  keyOverride = key;
}

}  // namespace vlmr
