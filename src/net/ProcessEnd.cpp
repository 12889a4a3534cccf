#include "net/ProcessEnd.h"

#include <unistd.h>

#include "base/Guarded.h"
#include "base/Utils.h"
#include "platform/Processes.h"

namespace vlmr {
namespace {

TGuarded<std::function<void(TProcessEnd)>>& Hook() {
  static TGuarded<std::function<void(TProcessEnd)>> hook;
  return hook;
}

}  // namespace

void EndThisProcess(TProcessEnd way) {
  const std::function<void(TProcessEnd)> replacement = Hook().Get();
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
  Hook().Set(std::move(replacement));
}

}  // namespace vlmr
