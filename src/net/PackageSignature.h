// Update packages are signed: the Ed25519 signature (base64) of a package file's whole content
// is checked against a public key (base64 of its 32 bytes) before the package is used.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vlmr {

// False for a missing or malformed signature or key, an unreadable file, or a signature that
// does not match.
bool VerifyPackageSignature(const std::string& path, std::string_view signatureBase64,
                            std::string_view publicKeyBase64);

// Strict base64 (RFC 4648 alphabet, "=" padding, blanks around ignored); nothing when invalid.
std::optional<std::string> DecodeBase64(std::string_view text);
std::string EncodeBase64(std::string_view bytes);

}  // namespace vlmr
