// Handing addresses, files and programs to the desktop.
#pragma once

#include <string>
#include <vector>

namespace vlmr {

// Opens an address, file or folder with the user's default program (xdg-open here). Does not
// wait; false when nothing could be started.
bool ShellOpen(const std::string& target);

// Starts a program with arguments, detached; false when it could not be started.
bool StartProgram(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace vlmr
