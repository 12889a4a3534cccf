// A fetch of raw bytes on a thread of its own with the full client (the notice popup uses it
// for its page and the page's pictures). Ok() is false after a network failure or an error
// status; the completion handler runs on the UI thread after the fetch and reads the result.
#pragma once

#include <functional>
#include <string>

#include "base/Thread.h"
#include "net/HttpClient.h"

namespace vlmr {

// "http://" or "https://" in any letter case: an address a fetch can reach. A bare relative
// address (a page path without its service address) is none.
bool IsWebAddress(const std::string& address);

class TFetchBytes : public TWorkerThread {
 public:
  using TOnLoaded = std::function<void(TFetchBytes&)>;

  // Creates the thread and starts it. The pointer is valid until the handler has run.
  static TFetchBytes* Launch(std::string url, TOnLoaded onLoaded);

  const std::string& Url() const { return url_; }
  bool Ok() const { return ok_; }
  const std::string& Body() const { return body_; }
  // The address after redirects (the base of the page's relative links).
  const std::string& FinalUrl() const { return finalUrl_; }

  void OnStopRequested() override { client_.Abort(); }

 protected:
  TFetchBytes(std::string url, TOnLoaded onLoaded);
  void Execute() override;

 private:
  std::string url_;
  bool ok_ = false;
  std::string body_;
  std::string finalUrl_;
  THttpClient client_;
};

}  // namespace vlmr
