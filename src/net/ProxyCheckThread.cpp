#include "net/ProxyCheckThread.h"

#include "base/Dispatcher.h"

namespace vlmr {

TProxyCheckThread::TProxyCheckThread(std::vector<TProxy> proxies, TOnResult onResult,
                                     std::string url, int timeoutMs)
    : proxies_(std::move(proxies)),
      onResult_(std::move(onResult)),
      url_(std::move(url)),
      timeoutMs_(timeoutMs) {}

TProxyCheckThread* TProxyCheckThread::Launch(std::vector<TProxy> proxies, TOnResult onResult,
                                             std::function<void()> onDone, std::string url,
                                             int timeoutMs) {
  auto* thread =
      new TProxyCheckThread(std::move(proxies), std::move(onResult), std::move(url), timeoutMs);
  if (onDone) {
    thread->SetOnTerminate([onDone = std::move(onDone)](TWorkerThread&) { onDone(); });
  }
  thread->Start();
  return thread;
}

void TProxyCheckThread::Execute() {
  for (std::size_t i = 0; i < proxies_.size(); ++i) {
    if (CheckStop()) {
      return;
    }
    const TProxyCheck check = CheckProxy(proxies_[i], url_, timeoutMs_);
    SendToUi([&] { onResult_(i, check); });
  }
}

}  // namespace vlmr
