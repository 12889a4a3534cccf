// Turns SIGTERM and SIGINT (the session ending, a service manager stopping the program) into
// the window's orderly end on the UI thread.
#pragma once

#include <functional>

namespace vlmr {

// Installs the handlers; `onEnd` runs on the UI thread at the first such signal. Call once,
// after the QApplication exists.
void InstallSessionEndHandler(std::function<void()> onEnd);

}  // namespace vlmr
