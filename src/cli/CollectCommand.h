// vlmr-collect: the command-line collector. Parses the command line, takes the data folder's
// lock (the window takes the same one), opens the store and runs `run`, `list` or `export`.
// Progress goes to standard output, errors to standard error.
//
// Exit codes: 0 done, 1 a failure (the store cannot be opened, the folder is in use, a task
// failed), 2 bad usage, 128 + the signal after SIGINT or SIGTERM.
#pragma once

namespace vlmr {

int RunCollectCommand(int argc, const char* const* argv);

}  // namespace vlmr
