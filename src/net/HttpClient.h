// One HTTP client for the whole program (libcurl, one easy handle per object). Three presets
// give the behaviours the program relies on:
//  - Plain: HTTP/1.0, "Mozilla/4.0 (compatible; Synapse)", no redirects, no cookies; any
//    response but 204 is a success and returns its body (a 404 page is a page).
//  - Full: redirects, cookies kept for the client's lifetime, 4xx/5xx are errors, progress
//    callbacks, "Mozilla/3.0 (compatible; Indy Library)".
//  - Engine: the collectors' and crawler's client: cookies, redirects, 5000 ms connect and idle
//    time-outs, the Firefox user agent.
// Every client: http and https only (redirect targets too), at most 20 redirects, gzip and
// deflate answers asked for and unpacked as they arrive, a cap on the (unpacked) body counted as
// it arrives, so that a compression bomb is refused rather than unpacked, an explicit idle
// time-out, a stop request that aborts a transfer in flight, and no proxy unless one is set
// (never one from the environment). With a proxy set every request goes through it; a proxy
// that cannot be reached or refuses the credentials is a failure of its own kind, never a
// silent direct request. A client object is used by one thread at a time; only Abort may be
// called from another thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "net/ProxyList.h"

namespace vlmr {

// Initialises libcurl once for the process. The program's main and every test main call it
// before any thread starts; the client constructor calls it too, as a safety net.
void InitNetwork();

// Test seam: sends every request, whatever its host, to 127.0.0.1:port while keeping the Host
// header and the address. 0 clears it. Production code never sets it.
void SetConnectToOverrideForTesting(int port);

enum class THttpError {
  None,
  BadUrl,            // empty, malformed, or a scheme other than http/https
  Network,           // connection, resolution, TLS or transfer failure
  Timeout,           // connect or idle time-out
  Aborted,           // stopped on request
  HttpStatus,        // the status is not a success under the client's policy
  BodyTooLarge,      // the body passed the cap
  TooManyRedirects,  // the redirect cap was reached
  ProxyConnect,      // the proxy could not be reached (resolution, connection, time-out)
  ProxyAuth,         // the proxy refused the user and password, or wants some
  ProxyRefused,      // the proxy was reached but would not pass the request on
};

// True for the three proxy failures: the proxy's fault, not the site's.
bool IsProxyFailure(THttpError error);

enum class TStatusPolicy {
  AnyButNoContent,  // every status is a success except 204
  SuccessOnly,      // only 2xx is a success; a final 3xx (not followed) or 4xx/5xx fails
};

struct THttpSettings {
  static constexpr std::size_t kDefaultMaxBody = 16u * 1024 * 1024;

  std::string userAgent;
  bool http10 = false;
  bool followRedirects = true;
  int maxRedirects = 20;  // never more than 20
  bool keepCookies = true;
  bool allowHttps = true;
  bool verifyTls = true;
  TStatusPolicy statusPolicy = TStatusPolicy::SuccessOnly;
  int connectTimeoutMs = 30000;  // 0 = libcurl's own limit
  int idleTimeoutMs = 30000;     // no byte received for this long ends the request; 0 = never
  std::size_t maxBodyBytes = kDefaultMaxBody;

  // `timeoutMs` is both the connect and the idle time-out.
  static THttpSettings Plain(int timeoutMs);
  static THttpSettings Full();
  static THttpSettings Engine();
};

inline constexpr const char* kPlainUserAgent = "Mozilla/4.0 (compatible; Synapse)";
inline constexpr const char* kFullUserAgent = "Mozilla/3.0 (compatible; Indy Library)";
inline constexpr const char* kEngineUserAgent =
    "Mozilla/5.0 (Windows NT 6.1; rv:2.0) Gecko/20100101 Firefox/4.0";

class THttpClient {
 public:
  // Start of the body: the expected size (-1 when the server gave none).
  using TOnWorkBegin = std::function<void(std::int64_t expected)>;
  // Running count of body bytes received.
  using TOnWork = std::function<void(std::int64_t received)>;

  explicit THttpClient(THttpSettings settings = THttpSettings::Full());
  ~THttpClient();
  THttpClient(const THttpClient&) = delete;
  THttpClient& operator=(const THttpClient&) = delete;

  // Adjust before a request; takes effect with the next one.
  THttpSettings& Settings() { return settings_; }
  // Cookie header value sent with every request besides the stored cookies; empty = none.
  void SetCookieHeader(std::string value) { cookieHeader_ = std::move(value); }
  void SetReferer(std::string value) { referer_ = std::move(value); }
  // The proxy of the following requests; nullopt: direct.
  void SetProxy(std::optional<TProxy> proxy) { proxy_ = std::move(proxy); }
  const std::optional<TProxy>& Proxy() const { return proxy_; }
  void SetOnWorkBegin(TOnWorkBegin handler) { onWorkBegin_ = std::move(handler); }
  void SetOnWork(TOnWork handler) { onWork_ = std::move(handler); }
  // Called on the requesting thread each time a request (each hop of a redirect chain) has
  // gone out on the wire, after any proxy tunnel was set up.
  void SetOnRequestSent(std::function<void()> handler) { onRequestSent_ = std::move(handler); }
  // Asked between transfer steps on the requesting thread; true aborts the request.
  void SetStopQuery(std::function<bool()> query) { stopQuery_ = std::move(query); }

  // GET. On success `body` holds exactly the body; on failure it is left as it was.
  bool Get(const std::string& url, std::string& body);

  // Aborts the request in flight and every later one until ClearAbort. Any thread.
  void Abort();
  void ClearAbort() { abort_.store(false, std::memory_order_release); }
  bool AbortRequested() const { return abort_.load(std::memory_order_acquire); }

  // Of the last request.
  THttpError LastError() const { return lastError_; }
  const std::string& LastErrorText() const { return lastErrorText_; }
  int Status() const { return status_; }
  // The address where the client ended after redirects.
  const std::string& FinalUrl() const { return finalUrl_; }
  // The Content-Type header of the last answer (after redirects); empty when it gave none.
  const std::string& ContentType() const { return contentType_; }
  // The Cookie header the client sent with its last request on the wire (the last hop of a
  // redirect chain); empty when it sent none.
  const std::string& LastCookieHeader() const { return sentCookie_; }

 private:
  static std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t WriteHeader(char* data, std::size_t size, std::size_t count, void* self);
  static int Progress(void* self, std::int64_t dlTotal, std::int64_t dlNow, std::int64_t ulTotal,
                      std::int64_t ulNow);
  static int Debug(void* handle, int type, char* data, std::size_t size, void* self);

  bool Fail(THttpError error, std::string text);
  // The failure of a request through the proxy when the proxy is to blame; None otherwise.
  THttpError ProxyFailureOf(int curlCode) const;
  bool ShouldStop();
  void Touch();
  bool IdleExpired() const;
  void ApplySettings(const std::string& url);
  void ApplyProxy();

  THttpSettings settings_;
  std::string cookieHeader_;
  std::string referer_;
  std::optional<TProxy> proxy_;
  TOnWorkBegin onWorkBegin_;
  TOnWork onWork_;
  std::function<bool()> stopQuery_;
  std::function<void()> onRequestSent_;

  void* easy_ = nullptr;
  void* multi_ = nullptr;
  std::atomic<bool> abort_{false};

  // Per-request state, touched by the callbacks on the requesting thread.
  std::string received_;
  std::size_t receivedCount_ = 0;
  bool overCap_ = false;
  bool stopped_ = false;
  bool idleExpired_ = false;
  bool workBegun_ = false;
  std::int64_t lastActivityMs_ = 0;

  THttpError lastError_ = THttpError::None;
  std::string lastErrorText_;
  int status_ = 0;
  std::string finalUrl_;
  std::string contentType_;
  std::string sentCookie_;
};

}  // namespace vlmr
