// SIGINT and SIGTERM ask the running command to stop in order: the first one is only noted,
// and the run's loop looks at it. A second one ends the process at once with 128 + its number;
// the store stays sound, since SQLite writes every statement atomically through its log.
#pragma once

namespace vlmr {

class TStopSignals {
 public:
  static void Install();
  // 0 until a stop signal arrived; then the first one's number.
  static int Received();
};

}  // namespace vlmr
