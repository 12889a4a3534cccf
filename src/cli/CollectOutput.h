// Where a run's progress goes on standard output: the live status block on a terminal, one
// plain line per event when the output is not a terminal, or one JSON object per line.
#pragma once

#include <cstdio>
#include <memory>

#include "cli/CollectEvent.h"
#include "cli/StatusBlock.h"

namespace vlmr {

class TCollectOutput {
 public:
  virtual ~TCollectOutput() = default;
  virtual void Event(const TCollectEvent& event) = 0;
  // The run's status, offered often; `last` once at the end. Only the live block uses it.
  virtual void Status(const TRunStatus& status, bool last) = 0;
};

// JSON lines with `json`; otherwise the live block when `out` is a terminal, else plain lines.
std::unique_ptr<TCollectOutput> MakeCollectOutput(std::FILE* out, bool json);

}  // namespace vlmr
