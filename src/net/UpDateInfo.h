// What the remote configuration offers: a newer program package and, when the updater beside
// the program must be renewed, the updater package. Every field starts empty, false or 0; a
// CRC of 0 means "not checked". Each package comes with the parts of its signed manifest
// (net/UpdateManifest.h): the offered version, the SHA-256 of the file and the signature.
#pragma once

#include <cstdint>
#include <string>

namespace vlmr {

struct TUpDateInfo {
  bool HasUpdate = false;
  std::string PackageUrl;
  bool Forced = false;
  std::uint32_t PackageCrc = 0;
  std::string PackageVersion;
  std::string PackageSha256;
  std::string PackageSig;
  bool UpdaterWanted = false;
  std::string UpdaterUrl;
  std::uint32_t UpdaterCrc = 0;
  std::string UpdaterVersion;
  std::string UpdaterSha256;
  std::string UpdaterSig;
};

}  // namespace vlmr
