// The updater "update": installs "update.zip" into its own folder for the program named in
// "uplog.txt" and starts that program again. Takes no arguments.
#include <cstdio>

#include "Updater.h"
#include "base/Utils.h"

int main() {
  vlmr::vendor::TUpdaterOptions options;
  options.folder = vlmr::AppFolder();
  auto result = vlmr::vendor::RunUpdater(options);
  if (result != vlmr::vendor::TUpdaterResult::Installed)
    std::fprintf(stderr, "update: nothing installed (%d)\n", static_cast<int>(result));
  return static_cast<int>(result);
}
