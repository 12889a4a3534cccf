// Ed25519 signatures (base64) checked against a public key (base64 of its 32 bytes): update
// packages are described by a signed manifest (net/UpdateManifest.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vlmr {

// False for a missing or malformed signature or key, or a signature that does not match.
bool VerifySignature(std::string_view data, std::string_view signatureBase64,
                     std::string_view publicKeyBase64);
// True for base64 text of exactly 32 bytes: the form of a public key.
bool IsPublicKeyText(std::string_view publicKeyBase64);

// Strict base64 (RFC 4648 alphabet, "=" padding, blanks around ignored); nothing when invalid.
std::optional<std::string> DecodeBase64(std::string_view text);
std::string EncodeBase64(std::string_view bytes);

}  // namespace vlmr
