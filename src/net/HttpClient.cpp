#include "net/HttpClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string_view>

#include "base/Text.h"

namespace vlmr {
namespace {

std::atomic<int> g_connectToPort{0};

CURL* Easy(void* p) {
  return static_cast<CURL*>(p);
}
CURLM* Multi(void* p) {
  return static_cast<CURLM*>(p);
}

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The value of the first "Cookie:" line of a request header block; empty when there is none.
std::string CookieOfHeaderBlock(std::string_view block) {
  std::size_t pos = 0;
  while (pos < block.size()) {
    std::size_t end = block.find('\n', pos);
    if (end == std::string_view::npos)
      end = block.size();
    std::string_view line = block.substr(pos, end - pos);
    if (line.size() >= 7 && SameText(line.substr(0, 7), "Cookie:")) {
      return Trim(line.substr(7));
    }
    pos = end + 1;
  }
  return {};
}

// Adding curl_slist entries and freeing them at the end of a request.
struct TSlist {
  curl_slist* list = nullptr;
  ~TSlist() { curl_slist_free_all(list); }
};

}  // namespace

bool IsProxyFailure(THttpError error) {
  return error == THttpError::ProxyConnect || error == THttpError::ProxyAuth ||
         error == THttpError::ProxyRefused;
}

void InitNetwork() {
  // curl_global_init is thread-safe only where the library says so (CURL_VERSION_THREADSAFE,
  // from 7.84 on); older ones must not race it with other users of libcurl or OpenSSL. The
  // once-flag serialises this program's callers, and main calls it before any thread starts.
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void SetConnectToOverrideForTesting(int port) {
  g_connectToPort.store(port > 0 && port < 65536 ? port : 0, std::memory_order_release);
}

THttpSettings THttpSettings::Plain(int timeoutMs) {
  THttpSettings s;
  s.userAgent = kPlainUserAgent;
  s.http10 = true;
  s.followRedirects = false;
  s.keepCookies = false;
  s.statusPolicy = TStatusPolicy::AnyButNoContent;
  s.connectTimeoutMs = timeoutMs;
  s.idleTimeoutMs = timeoutMs;
  return s;
}

THttpSettings THttpSettings::Full() {
  THttpSettings s;
  s.userAgent = kFullUserAgent;
  // No time-out at all would let a stalled server hold a thread for ever.
  s.connectTimeoutMs = 30000;
  s.idleTimeoutMs = 30000;
  return s;
}

THttpSettings THttpSettings::Engine() {
  THttpSettings s;
  s.userAgent = kEngineUserAgent;
  s.connectTimeoutMs = 5000;
  s.idleTimeoutMs = 5000;
  return s;
}

THttpClient::THttpClient(THttpSettings settings) : settings_(std::move(settings)) {
  InitNetwork();
  easy_ = curl_easy_init();
  multi_ = curl_multi_init();
  if (easy_ && settings_.keepCookies) {
    // An empty file name switches the handle's own cookie store on without reading a file.
    curl_easy_setopt(Easy(easy_), CURLOPT_COOKIEFILE, "");
  }
}

THttpClient::~THttpClient() {
  if (easy_)
    curl_easy_cleanup(Easy(easy_));
  if (multi_)
    curl_multi_cleanup(Multi(multi_));
}

void THttpClient::Abort() {
  abort_.store(true, std::memory_order_release);
  if (multi_)
    curl_multi_wakeup(Multi(multi_));
}

bool THttpClient::ShouldStop() {
  if (AbortRequested())
    return true;
  if (stopQuery_) {
    try {
      return stopQuery_();
    } catch (...) {
      return true;
    }
  }
  return false;
}

void THttpClient::Touch() {
  lastActivityMs_ = NowMs();
}

bool THttpClient::IdleExpired() const {
  return settings_.idleTimeoutMs > 0 && NowMs() - lastActivityMs_ >= settings_.idleTimeoutMs;
}

bool THttpClient::Fail(THttpError error, std::string text) {
  lastError_ = error;
  lastErrorText_ = std::move(text);
  return false;
}

std::size_t THttpClient::WriteBody(char* data, std::size_t size, std::size_t count, void* self) {
  auto* c = static_cast<THttpClient*>(self);
  std::size_t n = size * count;
  c->Touch();
  if (n > c->settings_.maxBodyBytes - c->receivedCount_) {  // receivedCount_ never passes the cap
    c->overCap_ = true;
    return 0;
  }
  try {
    if (!c->workBegun_) {
      c->workBegun_ = true;
      curl_off_t expected = -1;
      curl_easy_getinfo(Easy(c->easy_), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected);
      if (expected > 0 && static_cast<std::uint64_t>(expected) <= c->settings_.maxBodyBytes) {
        c->received_.reserve(static_cast<std::size_t>(expected));
      }
      if (c->onWorkBegin_)
        c->onWorkBegin_(expected);
    }
    c->received_.append(data, n);
    c->receivedCount_ += n;
    if (c->onWork_)
      c->onWork_(static_cast<std::int64_t>(c->receivedCount_));
  } catch (...) {
    c->stopped_ = true;
    return 0;
  }
  return n;
}

std::size_t THttpClient::WriteHeader(char* data, std::size_t size, std::size_t count, void* self) {
  static_cast<THttpClient*>(self)->Touch();
  return size * count;
}

int THttpClient::Progress(void* self, std::int64_t, std::int64_t, std::int64_t, std::int64_t) {
  auto* c = static_cast<THttpClient*>(self);
  if (c->ShouldStop()) {
    c->stopped_ = true;
    return 1;
  }
  if (c->IdleExpired()) {
    c->idleExpired_ = true;
    return 1;
  }
  return 0;
}

int THttpClient::Debug(void*, int type, char* data, std::size_t size, void* self) {
  if (type == CURLINFO_HEADER_OUT) {
    auto* c = static_cast<THttpClient*>(self);
    std::string_view block(data, size);
    if (block.starts_with("CONNECT ")) {
      return 0;  // the proxy tunnel's own request
    }
    c->sentCookie_ = CookieOfHeaderBlock(block);
    if (c->onRequestSent_) {
      try {
        c->onRequestSent_();
      } catch (...) {
      }
    }
  }
  return 0;
}

void THttpClient::ApplyProxy() {
  CURL* e = Easy(easy_);
  // An empty address also keeps libcurl from taking a proxy from the environment.
  if (!proxy_) {
    curl_easy_setopt(e, CURLOPT_PROXY, "");
    curl_easy_setopt(e, CURLOPT_HTTPPROXYTUNNEL, 0L);
    curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, nullptr);
    curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, nullptr);
    return;
  }
  const std::string address = proxy_->CurlAddress();
  curl_easy_setopt(e, CURLOPT_PROXY, address.c_str());
  curl_easy_setopt(e, CURLOPT_NOPROXY, "");
  curl_easy_setopt(e, CURLOPT_HTTPPROXYTUNNEL, proxy_->kind == TProxyKind::HttpsConnect ? 1L : 0L);
  const bool credentials = !proxy_->user.empty() || !proxy_->password.empty();
  curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, credentials ? proxy_->user.c_str() : nullptr);
  curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, credentials ? proxy_->password.c_str() : nullptr);
  curl_easy_setopt(e, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
}

THttpError THttpClient::ProxyFailureOf(int curlCode) const {
  if (!proxy_) {
    return THttpError::None;
  }
  CURL* e = Easy(easy_);
  long connectCode = 0;
  curl_easy_getinfo(e, CURLINFO_HTTP_CONNECTCODE, &connectCode);
  // 407 comes only from a proxy: the tunnel's answer, or the answer to a request in proxy form.
  // Some proxies (tinyproxy) answer a tunnel with wrong credentials 401 instead.
  if (connectCode == 407 || connectCode == 401 || status_ == 407) {
    return THttpError::ProxyAuth;
  }
  if (connectCode >= 300) {
    return THttpError::ProxyRefused;
  }
  if (curlCode == CURLE_PROXY) {
    long detail = CURLPX_OK;
    curl_easy_getinfo(e, CURLINFO_PROXY_ERROR, &detail);
    switch (detail) {
      case CURLPX_NO_AUTH:
      case CURLPX_USER_REJECTED:
      case CURLPX_LONG_USER:
      case CURLPX_LONG_PASSWD:
        return THttpError::ProxyAuth;
      default:
        return THttpError::ProxyRefused;
    }
  }
  if (curlCode == CURLE_COULDNT_RESOLVE_PROXY || curlCode == CURLE_COULDNT_CONNECT) {
    return THttpError::ProxyConnect;  // with a proxy set, the only connection made is to it
  }
  if (curlCode != CURLE_OK) {
    // Cut off before the connection to the proxy was made (a time-out or a stall).
    curl_off_t connected = 0;
    curl_easy_getinfo(e, CURLINFO_CONNECT_TIME_T, &connected);
    if (connected == 0) {
      return THttpError::ProxyConnect;
    }
  }
  return THttpError::None;
}

static std::string ProxyFailureText(THttpError error) {
  switch (error) {
    case THttpError::ProxyConnect:
      return "the proxy could not be reached";
    case THttpError::ProxyAuth:
      return "the proxy refused the user name or password";
    default:
      return "the proxy would not pass the request on";
  }
}

void THttpClient::ApplySettings(const std::string& url) {
  CURL* e = Easy(easy_);
  const char* protocols = settings_.allowHttps ? "http,https" : "http";
  curl_easy_setopt(e, CURLOPT_URL, url.c_str());
  curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  ApplyProxy();
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, protocols);
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, protocols);
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, settings_.followRedirects ? 1L : 0L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS,
                   static_cast<long>(std::clamp(settings_.maxRedirects, 0, 20)));
  curl_easy_setopt(e, CURLOPT_HTTP_VERSION,
                   settings_.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(e, CURLOPT_USERAGENT, settings_.userAgent.c_str());
  curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS,
                   static_cast<long>(std::max(0, settings_.connectTimeoutMs)));
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, settings_.verifyTls ? 1L : 0L);
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, settings_.verifyTls ? 2L : 0L);
  curl_easy_setopt(e, CURLOPT_COOKIE, cookieHeader_.empty() ? nullptr : cookieHeader_.c_str());
  curl_easy_setopt(e, CURLOPT_REFERER, referer_.empty() ? nullptr : referer_.c_str());
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &THttpClient::WriteBody);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &THttpClient::WriteHeader);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &THttpClient::Progress);
  curl_easy_setopt(e, CURLOPT_XFERINFODATA, this);
  // The debug callback is how the headers actually sent are seen; it needs verbose mode, and
  // with the callback set nothing is written to stderr.
  curl_easy_setopt(e, CURLOPT_DEBUGFUNCTION, &THttpClient::Debug);
  curl_easy_setopt(e, CURLOPT_DEBUGDATA, this);
  curl_easy_setopt(e, CURLOPT_VERBOSE, 1L);
}

bool THttpClient::Get(const std::string& url, std::string& body) {
  lastError_ = THttpError::None;
  lastErrorText_.clear();
  status_ = 0;
  finalUrl_ = url;
  contentType_.clear();
  sentCookie_.clear();
  received_.clear();
  receivedCount_ = 0;
  overCap_ = stopped_ = idleExpired_ = workBegun_ = false;

  if (!easy_ || !multi_)
    return Fail(THttpError::Network, "the HTTP library could not start");
  if (url.empty())
    return Fail(THttpError::BadUrl, "empty address");
  if (ShouldStop())
    return Fail(THttpError::Aborted, "stopped");

  ApplySettings(url);
  TSlist connectTo;
  if (int port = g_connectToPort.load(std::memory_order_acquire); port > 0) {
    std::string entry = "::127.0.0.1:" + std::to_string(port);
    connectTo.list = curl_slist_append(nullptr, entry.c_str());
  }
  curl_easy_setopt(Easy(easy_), CURLOPT_CONNECT_TO, connectTo.list);

  Touch();
  CURLM* m = Multi(multi_);
  if (curl_multi_add_handle(m, Easy(easy_)) != CURLM_OK) {
    curl_easy_setopt(Easy(easy_), CURLOPT_CONNECT_TO, nullptr);
    return Fail(THttpError::Network, "the request could not start");
  }
  // The transfer runs in this loop rather than in curl_easy_perform so that an abort from
  // another thread wakes it at once and the idle time-out is measured to the millisecond.
  int running = 1;
  bool broken = false;
  while (true) {
    if (curl_multi_perform(m, &running) != CURLM_OK) {
      broken = true;
      break;
    }
    if (running == 0)
      break;
    if (ShouldStop()) {
      stopped_ = true;
      break;
    }
    if (IdleExpired()) {
      idleExpired_ = true;
      break;
    }
    int waitMs = 1000;
    if (settings_.idleTimeoutMs > 0) {
      std::int64_t left = settings_.idleTimeoutMs - (NowMs() - lastActivityMs_);
      waitMs = static_cast<int>(std::clamp<std::int64_t>(left + 1, 1, waitMs));
    }
    if (stopQuery_)
      waitMs = std::min(waitMs, 50);
    curl_multi_poll(m, nullptr, 0, waitMs, nullptr);
  }

  CURLcode code = CURLE_OK;
  bool finished = false;
  int left = 0;
  while (CURLMsg* msg = curl_multi_info_read(m, &left)) {
    if (msg->msg == CURLMSG_DONE && msg->easy_handle == Easy(easy_)) {
      code = msg->data.result;
      finished = true;
    }
  }
  long status = 0;
  curl_easy_getinfo(Easy(easy_), CURLINFO_RESPONSE_CODE, &status);
  status_ = static_cast<int>(status);
  char* effective = nullptr;
  if (curl_easy_getinfo(Easy(easy_), CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective) {
    finalUrl_ = effective;
  }
  char* contentType = nullptr;
  if (curl_easy_getinfo(Easy(easy_), CURLINFO_CONTENT_TYPE, &contentType) == CURLE_OK &&
      contentType) {
    contentType_ = contentType;
  }
  curl_multi_remove_handle(m, Easy(easy_));
  // The list goes with this call; the handle must not keep pointing at it.
  curl_easy_setopt(Easy(easy_), CURLOPT_CONNECT_TO, nullptr);

  if (stopped_)
    return Fail(THttpError::Aborted, "stopped");
  // A proxy at fault comes first: its failure must never read as an answer of the site.
  const int failedCode = idleExpired_            ? CURLE_OPERATION_TIMEDOUT
                         : (broken || !finished) ? CURLE_RECV_ERROR
                                                 : static_cast<int>(code);
  if (THttpError proxyFailure = ProxyFailureOf(failedCode); proxyFailure != THttpError::None)
    return Fail(proxyFailure, ProxyFailureText(proxyFailure));
  if (idleExpired_)
    return Fail(THttpError::Timeout, "no data within the idle time-out");
  if (broken || !finished)
    return Fail(THttpError::Network, "the transfer broke off");
  switch (code) {
    case CURLE_OK:
      break;
    case CURLE_WRITE_ERROR:
      if (overCap_)
        return Fail(THttpError::BodyTooLarge, "the body passed the size cap");
      return Fail(THttpError::Network, curl_easy_strerror(code));
    case CURLE_OPERATION_TIMEDOUT:
      return Fail(THttpError::Timeout, curl_easy_strerror(code));
    case CURLE_TOO_MANY_REDIRECTS:
      return Fail(THttpError::TooManyRedirects, curl_easy_strerror(code));
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return Fail(THttpError::BadUrl, curl_easy_strerror(code));
    default:
      return Fail(THttpError::Network, curl_easy_strerror(code));
  }

  bool accepted = settings_.statusPolicy == TStatusPolicy::AnyButNoContent
                      ? status_ != 204
                      : status_ >= 200 && status_ < 300;
  if (!accepted)
    return Fail(THttpError::HttpStatus, "HTTP status " + std::to_string(status_));
  body.swap(received_);
  received_.clear();
  received_.shrink_to_fit();
  return true;
}

}  // namespace vlmr
