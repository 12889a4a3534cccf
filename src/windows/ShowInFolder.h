// Showing a saved file to the user: the desktop's file manager opens its folder with the file
// selected (org.freedesktop.FileManager1.ShowItems over the session bus); where no file
// manager answers, the folder is handed to the shell's opener and a message box says where the
// file is (an opener may have nothing to start either).
#pragma once

#include <string>

namespace vlmr {

// Does not wait for the file manager. `path` is a native path.
void ShowFileInFolder(const std::string& path);

}  // namespace vlmr
