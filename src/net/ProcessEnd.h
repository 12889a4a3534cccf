// How the program ends itself where it does not shut down in order: after giving up on the
// remote configuration (its own process id) and after handing an update to the updater (every
// process of its own executable name). Tests replace the ending with a hook.
#pragma once

#include <functional>

namespace vlmr {

enum class TProcessEnd {
  ById,    // KillProcessById of this process
  ByName,  // KillProcessByName of this executable's file name
};

void EndThisProcess(TProcessEnd way);

// A non-empty hook is called instead of ending the process; empty restores the real ending.
void SetProcessEndHookForTesting(std::function<void(TProcessEnd)> hook);

}  // namespace vlmr
