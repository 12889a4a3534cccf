#include "net/ProcessEnd.h"

#include <unistd.h>

#include <mutex>

#include "base/Utils.h"
#include "platform/Processes.h"

namespace vlmr {
namespace {

std::mutex hookMutex;
std::function<void(TProcessEnd)> hook;

}  // namespace

void EndThisProcess(TProcessEnd way) {
  std::function<void(TProcessEnd)> replacement;
  {
    std::lock_guard lock(hookMutex);
    replacement = hook;
  }
  if (replacement) {
    replacement(way);
    return;
  }
  if (way == TProcessEnd::ById)
    KillProcessById(static_cast<int>(::getpid()));
  else
    KillProcessByName(ExeFileName());
}

void SetProcessEndHookForTesting(std::function<void(TProcessEnd)> replacement) {
  std::lock_guard lock(hookMutex);
  hook = std::move(replacement);
}

}  // namespace vlmr
