// The updater "update": installs "update.zip" into its own folder for the program named in
// "uplog.txt" and starts that program again. `update --version` prints its version.
#include <cstdio>
#include <cstring>

#include "Updater.h"
#include "base/Text.h"
#include "base/Utils.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("%s\n", vlmr::vendor::kUpdaterVersion);
    return 0;
  }
  vlmr::vendor::TUpdaterOptions options;
  options.folder = vlmr::AppFolder();
  vlmr::vendor::TUpdaterOutcome outcome = vlmr::vendor::RunUpdater(options);
  if (outcome.result != vlmr::vendor::TUpdaterResult::Installed)
    std::fprintf(stderr, "update: nothing installed (%d): %s\n", static_cast<int>(outcome.result),
                 vlmr::GbkToUtf8(outcome.reason).c_str());
  return static_cast<int>(outcome.result);
}
