// The signed description of an update package. The vendor signs a small manifest, not the
// package bytes: the product ("vlmr" for the program, "vlmrupdate" for the updater), the
// version the package holds and the SHA-256 of the package file. A package is used only when
// the manifest's signature holds against the built-in key, the manifest names the expected
// product and the offered version (so a signed package cannot be offered as another version),
// and the file's SHA-256 is the one signed.
//
// The program hands the manifest to the updater in "update.manifest" beside the package
// (key=value lines: product, version, sha256, sig, and installed: the version of the program
// that handed over); the updater checks it again before it touches anything.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vlmr {

inline constexpr const char* kProgramProduct = "vlmr";
inline constexpr const char* kUpdaterProduct = "vlmrupdate";

struct TUpdateManifest {
  std::string product;
  std::string version;
  std::string sha256;     // lowercase hex of the package file
  std::string signature;  // Ed25519 signature (base64) of SignedText()
  std::string installed;  // the program's own version when it handed over (not signed)

  // The signed bytes: "product=P\nversion=V\nsha256=H\n".
  std::string SignedText() const;
};

enum class TPackageCheck {
  Ok,
  BadSignature,  // no key, a malformed or a wrong signature (also for a forged version)
  WrongProduct,
  NotNewer,  // the version is not newer than the installed one
  BadHash,   // the file is not the signed package (or cannot be read)
};

// Checks the manifest and the package file at `path`. The version test compares the decimal
// numbers of `version` and `installed` when `installed` is not empty.
TPackageCheck CheckPackage(const std::string& path, const TUpdateManifest& manifest,
                           std::string_view expectedProduct, std::string_view publicKeyBase64);

// Why a package was refused, for the user (GBK); empty for Ok.
std::string PackageCheckReason(TPackageCheck check);

// Lowercase hex SHA-256 of a file; empty when it cannot be read.
std::string FileSha256(const std::string& path);
std::string Sha256Hex(std::string_view data);

// The "update.manifest" text and back; nothing for a text without product, version, sha256
// and sig.
std::string FormatManifestFile(const TUpdateManifest& manifest);
std::optional<TUpdateManifest> ParseManifestFile(std::string_view text);

}  // namespace vlmr
