// Where the current user's files live: home, configuration and runtime folders. Tests point
// the root at a temporary folder instead of changing the environment.
#pragma once

#include <string>
#include <string_view>

namespace vlmr {

// The user's home folder ($HOME, else the password database).
std::string HomeFolder();
// $XDG_CONFIG_HOME, else home + "/.config".
std::string UserConfigFolder();
// $XDG_RUNTIME_DIR when usable, else a private folder under /tmp for this user.
std::string UserRuntimeFolder();

// Makes every function above answer folders under `root` (root itself is the home; config is
// root/.config, runtime is root/.run). An empty text restores the real folders.
void SetUserFoldersRootForTesting(std::string_view root);

}  // namespace vlmr
