// Shortcut files. The platform's shortcut extension is ".lnk" on Windows and ".desktop" here,
// where a shortcut is a freedesktop launcher (Type, Name, Comment, Exec, Icon, Path) with its run
// bit.
#pragma once

#include <string>

namespace vlmr {

#ifdef _WIN32
inline constexpr const char* kShortcutExtension = ".lnk";
#else
inline constexpr const char* kShortcutExtension = ".desktop";
#endif

// Writes a shortcut to `target` with `arguments` at `linkPath`, only when the upper-cased
// extension of `linkPath` is the platform's; the working folder is the target's folder and the
// icon the picture file at `iconPath` (none when empty). Nothing is reported: a failure leaves
// no file.
void CreateShortcutFile(const std::string& target, const std::string& arguments,
                        const std::string& linkPath, const std::string& description,
                        const std::string& iconPath = "");

}  // namespace vlmr
