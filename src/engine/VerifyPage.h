// Engine verification pages: an engine that distrusts the client answers a result-page request
// with a check for humans instead of results (a redirect to its verification host or path, or
// a page with its verification title; the markers are engine settings). A collector does not
// count such a page: it says so in a progress text and asks for the same page again after a
// cool-down that doubles with each verification page in a row.
#pragma once

#include <string>
#include <string_view>

#include "engine/records/KeyUnit.h"

namespace vlmr {

// True when an answer of `engine` that ended on `finalUrl` (after the redirects) with `body`
// (the raw bytes; empty when the request failed) is its verification page.
bool IsVerificationPage(TEngineIndex engine, std::string_view finalUrl, std::string_view body);

// The progress text after a verification page, naming the engine by its source label:
// "百度：搜索引擎要求安全验证，稍后自动重试" (GBK).
std::string VerificationText(TEngineIndex engine);

// After a verification page through proxy `from` when proxy `to` takes over:
// "百度：代理 2 需要安全验证，已切换到代理 3" (GBK).
std::string ProxySwitchText(TEngineIndex engine, int from, int to);

inline constexpr int kFirstCoolDownMs = 60 * 1000;
inline constexpr int kLongestCoolDownMs = 30 * 60 * 1000;
// A cool-down is waited on the pacing clock in naps of at most this.
inline constexpr int kCoolDownStepMs = 1000;
// The cool-down after the given one: doubled, at most kLongestCoolDownMs.
int NextCoolDownMs(int coolDownMs);

}  // namespace vlmr
