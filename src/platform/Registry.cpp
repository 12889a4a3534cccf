#include "platform/Registry.h"

#include <sys/stat.h>

#include "base/Text.h"
#include "platform/FileIo.h"
#include "platform/ProfileFile.h"
#include "platform/ProfileText.h"
#include "platform/UserFolders.h"

namespace vlmr {
namespace {

constexpr std::size_t kMaxStoreBytes = 4u << 20;
constexpr std::size_t kMaxUserDirsBytes = 1u << 20;

std::string StoreFolder() {
  return UserConfigFolder() + "/vlmr";
}
std::string StorePath() {
  return StoreFolder() + "/registry.ini";
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The value of a shell assignment as xdg-user-dirs writes it: "$HOME/name" or "/path", in
// double quotes with backslash escapes. Empty for anything it cannot expand.
std::string ExpandUserDir(std::string_view raw, const std::string& home) {
  std::string value;
  std::string_view v = raw;
  if (!v.empty() && v.front() == '"') {
    v.remove_prefix(1);
    bool closed = false;
    for (std::size_t i = 0; i < v.size(); ++i) {
      if (v[i] == '\\' && i + 1 < v.size()) {
        value.push_back(v[++i]);
        if (v[i] == '$')
          value.back() = '\x01';  // an escaped dollar is a literal one
      } else if (v[i] == '"') {
        closed = true;
        break;
      } else {
        value.push_back(v[i]);
      }
    }
    if (!closed)
      return {};
  } else {
    value = Trim(v);
  }
  for (std::string_view prefix : {"${HOME}", "$HOME"}) {
    if (value.compare(0, prefix.size(), prefix) == 0 &&
        (value.size() == prefix.size() || value[prefix.size()] == '/')) {
      if (home.empty())
        return {};
      value = home + value.substr(prefix.size());
      break;
    }
  }
  if (value.find('$') != std::string::npos || value.empty() || value.front() != '/') {
    return {};
  }
  for (char& c : value) {
    if (c == '\x01')
      c = '$';
  }
  while (value.size() > 1 && value.back() == '/') {
    value.pop_back();
  }
  return value;
}

std::string XdgDesktopFolder(const std::string& home) {
  std::string bytes;
  if (ReadWholeFile(UserConfigFolder() + "/user-dirs.dirs", kMaxUserDirsBytes, bytes) !=
      TFileRead::Read) {
    return {};
  }
  constexpr std::string_view kKey = "XDG_DESKTOP_DIR=";
  std::string found;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos)
      end = bytes.size();
    std::string line = Trim(std::string_view(bytes).substr(start, end - start));
    start = end + 1;
    if (line.compare(0, kKey.size(), kKey) == 0) {
      found = ExpandUserDir(std::string_view(line).substr(kKey.size()), home);  // last one wins
    }
  }
  // A desktop set to the home folder itself means "no desktop folder".
  if (found == home) {
    return {};
  }
  return found;
}

}  // namespace

std::optional<std::string> ReadRegistryString(std::string_view keyPath, std::string_view name) {
  std::string bytes;
  if (ReadWholeFile(StorePath(), kMaxStoreBytes, bytes) != TFileRead::Read) {
    return std::nullopt;
  }
  return TProfileText(bytes).Find(keyPath, name);
}

bool WriteRegistryString(std::string_view keyPath, std::string_view name, std::string_view value) {
  if (!TProfileText::IsValidSectionName(keyPath) || !TProfileText::IsValidKeyName(name) ||
      !TProfileText::IsValidValue(value)) {
    return false;
  }
  if (!MakeFolders(StoreFolder(), 0700)) {
    return false;
  }
  // Quoted, so that the value reads back byte for byte: reading trims blanks and removes one
  // pair of quotes, which here are always ours.
  std::string quoted = "\"" + std::string(value) + "\"";
  return TProfileFile(StorePath()).WriteString(keyPath, name, quoted);
}

std::string ReadShellFolder(std::string_view name) {
  if (!SameText(name, "Desktop")) {
    return {};
  }
  const std::string home = HomeFolder();
  if (std::string xdg = XdgDesktopFolder(home); IsFolder(xdg)) {
    return xdg;
  }
  if (!home.empty() && IsFolder(home + "/Desktop")) {
    return home + "/Desktop";
  }
  return {};
}

}  // namespace vlmr
