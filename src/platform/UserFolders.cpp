#include "platform/UserFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "base/Guarded.h"
#include "platform/FileIo.h"

namespace vlmr {
namespace {

TGuarded<std::string>& Root() {
  static TGuarded<std::string> root;
  return root;
}

std::string TestRoot() {
  return Root().Get();
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') {
    path.pop_back();
  }
  return path;
}

// An absolute path from the environment, or empty.
std::string AbsoluteFromEnv(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') {
    return {};
  }
  return WithoutTrailingSlashes(value);
}

// A folder only this user can enter: a real directory (not a link), owned by us, no group or
// other permission bits.
bool IsPrivateFolder(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) {
    return false;
  }
  return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

// Creates `path` (and missing parents) as a private folder, or tightens a folder of ours that
// is too open. False when the folder exists and cannot be made private.
bool EnsurePrivateFolder(const std::string& path) {
  MakeFolders(path, 0700);
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) {
    return false;
  }
  if ((st.st_mode & 077) != 0 && chmod(path.c_str(), 0700) != 0) {
    return false;
  }
  return IsPrivateFolder(path);
}

std::string HomeFromPasswordDatabase() {
  long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(hint > 0 ? static_cast<std::size_t>(hint) : 16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  while (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
         buffer.size() < (1u << 20)) {
    buffer.resize(buffer.size() * 2);
  }
  if (found == nullptr || found->pw_dir == nullptr) {
    return {};
  }
  return WithoutTrailingSlashes(found->pw_dir);
}

}  // namespace

std::string HomeFolder() {
  if (std::string root = TestRoot(); !root.empty()) {
    return root;
  }
  if (std::string home = AbsoluteFromEnv("HOME"); !home.empty()) {
    return home;
  }
  return HomeFromPasswordDatabase();
}

std::string UserConfigFolder() {
  if (std::string root = TestRoot(); !root.empty()) {
    return root + "/.config";
  }
  if (std::string config = AbsoluteFromEnv("XDG_CONFIG_HOME"); !config.empty()) {
    return config;
  }
  return HomeFolder() + "/.config";
}

std::string UserRuntimeFolder() {
  if (std::string root = TestRoot(); !root.empty()) {
    std::string run = root + "/.run";
    return EnsurePrivateFolder(run) ? run : std::string();
  }
  if (std::string runtime = AbsoluteFromEnv("XDG_RUNTIME_DIR");
      !runtime.empty() && IsPrivateFolder(runtime)) {
    return runtime;
  }
  // A folder under /tmp that someone else made first is not ours: it is never used.
  std::string shared = "/tmp/vlmr-" + std::to_string(geteuid());
  if (EnsurePrivateFolder(shared)) {
    return shared;
  }
  std::string home = HomeFolder();
  if (!home.empty()) {
    std::string cache = home + "/.cache/vlmr-run";
    if (EnsurePrivateFolder(cache)) {
      return cache;
    }
  }
  return {};
}

void SetUserFoldersRootForTesting(std::string_view root) {
  Root().Set(WithoutTrailingSlashes(std::string(root)));
}

}  // namespace vlmr
