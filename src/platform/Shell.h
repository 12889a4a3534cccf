// Handing addresses, files and programs to the desktop.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vlmr {

// Opens an address, file or folder with the user's default program (xdg-open here). Does not
// wait; false when nothing could be started.
bool ShellOpen(const std::string& target);

// Starts a program with arguments, detached (a session of its own, stdin from /dev/null) and
// reaped when it ends; false when it could not be started. A program name without "/" is
// looked up in PATH.
bool StartProgram(const std::string& program, const std::vector<std::string>& arguments);

// Runs a program with arguments (no shell) and returns what it wrote on its standard output,
// at most `maxBytes`; nothing when it could not be started, did not end within `timeoutMs`
// (it is then killed) or ended with a status other than 0.
std::optional<std::string> ProgramOutput(const std::string& program,
                                         const std::vector<std::string>& arguments, int timeoutMs,
                                         std::size_t maxBytes);

// Makes ShellOpen start `program` instead of the desktop's opener; empty restores it.
void SetShellOpenProgramForTesting(const std::string& program);

}  // namespace vlmr
