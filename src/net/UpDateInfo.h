// What the remote configuration offers: a newer program package and, when the updater beside
// the program must be renewed, the updater package. Every field starts empty, false or 0; a
// CRC of 0 means "not checked". The signatures are the Ed25519 signatures (base64) of the
// package files, checked against the key compiled into the program.
#pragma once

#include <cstdint>
#include <string>

namespace vlmr {

struct TUpDateInfo {
  bool HasUpdate = false;
  std::string PackageUrl;
  bool Forced = false;
  std::uint32_t PackageCrc = 0;
  std::string PackageSig;
  bool UpdaterWanted = false;
  std::string UpdaterUrl;
  std::uint32_t UpdaterCrc = 0;
  std::string UpdaterSig;
};

}  // namespace vlmr
