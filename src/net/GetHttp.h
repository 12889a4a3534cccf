// A fetch on a thread of its own with the full client (the vendor information windows use it
// for their texts, the notice popup for its page and pictures). Result holds the body decoded
// from UTF-8 into GBK; it is empty after a failed fetch and for a body that is not valid
// UTF-8. Ok, Body and FinalUrl give the fetch as it came: false after a network failure or an
// error status, the raw bytes, the address after redirects. The completion handler runs on
// the UI thread after the fetch, successful or not.
#pragma once

#include <functional>
#include <string>

#include "base/Thread.h"
#include "net/HttpClient.h"

namespace vlmr {

// "http://" or "https://" in any letter case: an address a fetch can reach. A bare relative
// address (a page path without its service address) is none.
bool IsWebAddress(const std::string& address);

class TGetHttp : public TWorkerThread {
 public:
  using TOnLoaded = std::function<void(TGetHttp&)>;

  explicit TGetHttp(std::string url, TOnLoaded onLoaded = {});

  // Creates the thread and starts it. The pointer is valid until the handler has run.
  static TGetHttp* Launch(std::string url, TOnLoaded onLoaded);

  const std::string& Url() const { return url_; }
  const std::string& Result() const { return result_; }
  bool Ok() const { return ok_; }
  const std::string& Body() const { return body_; }
  const std::string& FinalUrl() const { return finalUrl_; }
  // Created with the thread; adjust before Start only.
  THttpClient& HttpClient() { return client_; }

  void OnStopRequested() override { client_.Abort(); }

  // UTF-8 body -> GBK; a leading byte-order mark is dropped, invalid UTF-8 gives "".
  static std::string DecodeBody(const std::string& body);

 protected:
  void Execute() override;

 private:
  std::string url_;
  std::string result_;
  bool ok_ = false;
  std::string body_;
  std::string finalUrl_;
  THttpClient client_;
};

}  // namespace vlmr
