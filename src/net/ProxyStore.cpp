#include "net/ProxyStore.h"

#include <sys/stat.h>

#include <filesystem>

#include "base/Text.h"
#include "platform/FileIo.h"
#include "platform/ProfileText.h"
#include "platform/UserFolders.h"

namespace vlmr {
namespace {

constexpr const char* kSection = "proxy";
constexpr const char* kSitesKey = "sites";
constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;
constexpr mode_t kFileMode = 0600;
constexpr mode_t kFolderMode = 0700;

std::string EntryKey(std::size_t index) {
  return "proxy" + std::to_string(index + 1);
}

}  // namespace

std::string TProxyStore::DefaultPath() {
  return UserConfigFolder() + "/vlmr/proxies.ini";
}

TProxySettings TProxyStore::Load(int* badEntries, std::string* problem) const {
  TProxySettings settings;
  if (badEntries) {
    *badEntries = 0;
  }
  if (problem) {
    problem->clear();
  }
  std::string bytes;
  switch (ReadWholeFile(path_, kMaxFileBytes, bytes)) {
    case TFileRead::Read:
      break;
    case TFileRead::Missing:
      return settings;
    case TFileRead::Failed:
      if (problem) {
        *problem = Utf8ToGbk("无法读取代理设置文件 " + path_);
      }
      return settings;
  }
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0 && (st.st_mode & 0077) != 0) {
    ::chmod(path_.c_str(), kFileMode);
  }
  TProfileText text(bytes);
  settings.sitesThroughProxies = text.Find(kSection, kSitesKey).value_or("0") == "1";
  for (const std::string& key : text.Keys(kSection)) {
    if (key.rfind("proxy", 0) != 0) {
      continue;
    }
    TProxy proxy;
    if (ParseProxy(text.Find(kSection, key).value_or(""), proxy) != TProxyError::None) {
      if (badEntries) {
        ++*badEntries;
      }
      continue;
    }
    settings.proxies.push_back(std::move(proxy));
  }
  return settings;
}

bool TProxyStore::Save(const TProxySettings& settings) const {
  std::filesystem::path folder = std::filesystem::path(path_).parent_path();
  if (!folder.empty() && !MakeFolders(folder.string(), kFolderMode)) {
    return false;
  }
  TProfileText text("");
  text.Set(kSection, kSitesKey, settings.sitesThroughProxies ? "1" : "0");
  for (std::size_t i = 0; i < settings.proxies.size(); ++i) {
    text.Set(kSection, EntryKey(i), settings.proxies[i].StoredForm());
  }
  return ReplaceFile(path_, text.Render(), kFileMode);
}

}  // namespace vlmr
