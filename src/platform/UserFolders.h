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
// $XDG_RUNTIME_DIR when usable (a folder of ours that only we may enter), else a private
// folder under /tmp for this user (made with mode 0700; refused when someone else's), else one
// under ~/.cache; empty when none can be had.
std::string UserRuntimeFolder();

// Makes every function above answer folders under `root` (root itself is the home; config is
// root/.config, runtime is root/.run). An empty text restores the real folders.
void SetUserFoldersRootForTesting(std::string_view root);

}  // namespace vlmr
