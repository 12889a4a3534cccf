// Per-user registry values: string values under key paths such as
// "HKEY_CURRENT_USER\SOFTWARE\tarnwelt\vlmr", kept in a small file in the user's configuration
// folder (vlmr/registry.ini). Key paths and value names are case-insensitive.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vlmr {

// The value, or nothing when the key or the value is missing or unreadable.
std::optional<std::string> ReadRegistryString(std::string_view keyPath, std::string_view name);
// Creates the key when needed; false on any failure.
bool WriteRegistryString(std::string_view keyPath, std::string_view name, std::string_view value);

// The path of a shell folder by its value name ("Desktop"), without a trailing "/": the XDG
// user directory (user-dirs.dirs) when that folder exists, else ~/Desktop when it exists;
// empty when neither is there. Other names: empty.
std::string ReadShellFolder(std::string_view name);

}  // namespace vlmr
