// A text fetch on a thread of its own with the full client (the vendor information windows
// use it). Result holds the body decoded from UTF-8 into GBK; it is empty after a failed
// fetch and for a body that is not valid UTF-8. The completion handler runs on the UI thread
// after the fetch, successful or not, and reads Result.
#pragma once

#include <functional>
#include <string>

#include "base/Thread.h"
#include "net/HttpClient.h"

namespace vlmr {

class TGetHttp : public TWorkerThread {
 public:
  using TOnLoaded = std::function<void(TGetHttp&)>;

  explicit TGetHttp(std::string url, TOnLoaded onLoaded = {});

  // Creates the thread and starts it. The pointer is valid until the handler has run.
  static TGetHttp* Launch(std::string url, TOnLoaded onLoaded);

  const std::string& Url() const { return url_; }
  const std::string& Result() const { return result_; }
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
  THttpClient client_;
};

}  // namespace vlmr
