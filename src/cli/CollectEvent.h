// What a run tells its reader, one event at a time: a company stored, a result page done, an
// engine's verification page, a task's end. Each event has a plain line (for a reader that is
// not a terminal) and a JSON line (for scripts); both are UTF-8 and end without a line break.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/records/KeyUnit.h"

namespace vlmr {

// Why a keyword's task ended.
enum class TTaskEnd : std::uint8_t {
  Idle,         // the store refused a page: three pages in a row without a new company
  Time,         // --for ran out
  Interrupted,  // SIGINT or SIGTERM
  Engines,      // every engine of the task stopped on its own (its result pages failed)
  Failed,       // no collector could be started
};

struct TCollectEvent {
  enum class TKind : std::uint8_t { Company, Page, Verification, Ended };

  TKind kind = TKind::Page;
  std::string keyword;  // GBK, as stored
  TEngineIndex engine = ENGINE_BAIDU;
  std::int32_t page = 0;                  // Page: pages done by the engine
  const TComPanyInfo* company = nullptr;  // Company: the stored record, for the call only
  TTaskEnd end = TTaskEnd::Idle;          // Ended
  std::int32_t companies = 0;             // Ended: the keyword's stored count
};

// "baidu", "sogou", "360": the names --engines takes.
const char* EngineName(TEngineIndex engine);
const char* TaskEndName(TTaskEnd end);

// A JSON string literal of a UTF-8 text: quotes, backslashes and control characters escaped.
std::string JsonString(std::string_view utf8);

std::string PlainLine(const TCollectEvent& event);
std::string JsonLine(const TCollectEvent& event);

}  // namespace vlmr
