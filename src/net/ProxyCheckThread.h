// The proxy test on a thread of its own, so that the window that asked never waits: each proxy
// of the list is checked in turn (CheckProxy) and its outcome handed to `onResult` on the UI
// thread, as a blocking call, with its index in the list; `onDone` follows the last one. A stop
// (Terminate) ends the run before the next proxy. The thread frees itself when done.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/Thread.h"
#include "net/ProxyCheck.h"

namespace vlmr {

class TProxyCheckThread : public TWorkerThread {
 public:
  using TOnResult = std::function<void(std::size_t index, const TProxyCheck& check)>;

  TProxyCheckThread(std::vector<TProxy> proxies, TOnResult onResult, std::string url,
                    int timeoutMs);

  // Creates the thread and starts it. `onDone` runs on the UI thread after the last result.
  static TProxyCheckThread* Launch(std::vector<TProxy> proxies, TOnResult onResult,
                                   std::function<void()> onDone, std::string url = kProxyCheckUrl,
                                   int timeoutMs = kProxyCheckTimeoutMs);

 protected:
  void Execute() override;

 private:
  std::vector<TProxy> proxies_;
  TOnResult onResult_;
  std::string url_;
  int timeoutMs_;
};

}  // namespace vlmr
