// The proxy test: one page fetched through one proxy, and what went wrong in words. The texts
// name the proxy only by its display form, never by its password.
#pragma once

#include <string>

#include "net/HttpClient.h"
#include "net/ProxyList.h"

namespace vlmr {

inline constexpr const char* kProxyCheckUrl = "http://www.baidu.com/";
inline constexpr int kProxyCheckTimeoutMs = 10000;

struct TProxyCheck {
  bool ok = false;
  THttpError error = THttpError::None;
  int status = 0;     // of the page, when one came back
  int elapsedMs = 0;  // how long the request took
  std::string text;   // GBK: "成功（N 毫秒）" or what failed
};

// Fetches `url` through `proxy` with the engines' client settings (redirects followed, 2xx a
// success) and `timeoutMs` as the connect and idle time-outs. Blocking.
TProxyCheck CheckProxy(const TProxy& proxy, const std::string& url = kProxyCheckUrl,
                       int timeoutMs = kProxyCheckTimeoutMs);

}  // namespace vlmr
