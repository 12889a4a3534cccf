// Where the user's proxies are kept: a per-user settings file (INI, section "proxy"), readable
// by its owner only (mode 0600, in a folder of mode 0700; a looser mode found on load is
// tightened). It holds the list in order and whether company sites and the filing lookup go
// through the proxies too (off unless the user ticks it). Passwords are stored there and
// nowhere else.
#pragma once

#include <string>
#include <vector>

#include "net/ProxyList.h"

namespace vlmr {

struct TProxySettings {
  std::vector<TProxy> proxies;
  bool sitesThroughProxies = false;

  bool operator==(const TProxySettings&) const = default;
};

class TProxyStore {
 public:
  // The per-user file: <config folder>/vlmr/proxies.ini.
  static std::string DefaultPath();

  explicit TProxyStore(std::string path = DefaultPath()) : path_(std::move(path)) {}

  const std::string& Path() const { return path_; }

  // A missing file gives no proxies. Entries that no longer parse are left out and counted.
  // A file that is there but cannot be read (not a regular file, unreadable, over 4 MiB) gives
  // no proxies either, and `problem` (GBK) then says so with the path; it is empty otherwise.
  TProxySettings Load(int* badEntries = nullptr, std::string* problem = nullptr) const;
  // False when the file could not be written; the old file then stays as it was.
  bool Save(const TProxySettings& settings) const;

 private:
  std::string path_;
};

}  // namespace vlmr
