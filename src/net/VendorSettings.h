// The vendor's addresses and the update key, fixed when the program is built (CMake cache
// variables VLMR_CONFIG_HOST, VLMR_UPDATE_PUBLIC_KEY and VLMR_QQ_CHAT_HOST). An empty
// configuration host means a build without a vendor: no configuration is fetched.
#pragma once

#include <string>

namespace vlmr {

// "host" or "host:port" of the configuration server; empty = no vendor.
std::string VendorConfigHost();
// "http://" + host + "/newapi/config.txt"; empty without a vendor.
std::string ConfigUrl();
// The Ed25519 public key of update packages, base64 of its 32 bytes; empty when none is built in.
std::string UpdatePublicKey();
// Host of the QQ instant-chat web endpoint.
std::string QqChatHost();
// The chat link for a QQ number: "http://" + host + "/msgrd?v=3&uin=" + qq + "&site=qq&menu=yes".
std::string QqChatUrl(const std::string& qq);

// Test seams; an empty text (or a null text for the host) restores the built-in value.
void SetVendorConfigHostForTesting(const char* host);
void SetUpdatePublicKeyForTesting(const std::string& key);

}  // namespace vlmr
