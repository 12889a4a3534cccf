// Blocking fetches with the plain client, on the caller's thread: any answer but 204 is a
// success and gives its body; a network failure, a time-out (also in the middle of the body)
// or 204 is a failure, and the output is left as it was.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/ProxyList.h"

namespace vlmr {

inline constexpr int kFetchPageTimeoutMs = 90000;
inline constexpr int kFetchStreamTimeoutMs = 5000;

// GET with a 90-second network time-out, directly or through `proxy`. On success the body
// replaces `lines`, split at line breaks, its bytes kept as they are. `stop`, when set, is asked
// while the transfer runs; true aborts it (a failure).
bool FetchPageText(const std::string& url, std::vector<std::string>& lines,
                   const std::function<bool()>& stop = {},
                   const std::optional<TProxy>& proxy = std::nullopt);

// A page fetched whole: its body as received and the Content-Type it was labelled with.
struct TFetchedPage {
  std::string body;
  std::string contentType;
};

// FetchPageText keeping the body whole with its Content-Type.
bool FetchPage(const std::string& url, TFetchedPage& page, const std::function<bool()>& stop = {},
               const std::optional<TProxy>& proxy = std::nullopt);

// GET with a 5-second network time-out, without cookies. On success `buffer` holds exactly
// the body.
bool FetchToStream(const std::string& url, std::string& buffer);

// Splits at CR LF, LF or a lone CR; a final line break adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace vlmr
