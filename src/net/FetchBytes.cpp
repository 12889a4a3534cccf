#include "net/FetchBytes.h"

#include "base/Text.h"

namespace vlmr {

bool IsWebAddress(const std::string& address) {
  std::string lower = GbkLower(address.substr(0, 8));
  return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
}

TFetchBytes::TFetchBytes(std::string url, TOnLoaded onLoaded)
    : url_(std::move(url)), client_(THttpSettings::Full()) {
  // A notice page and its pictures are small.
  client_.Settings().maxBodyBytes = 4u * 1024 * 1024;
  if (onLoaded) {
    SetOnTerminate([handler = std::move(onLoaded)](TWorkerThread& self) {
      handler(static_cast<TFetchBytes&>(self));
    });
  }
}

TFetchBytes* TFetchBytes::Launch(std::string url, TOnLoaded onLoaded) {
  auto* thread = new TFetchBytes(std::move(url), std::move(onLoaded));
  thread->Start();
  return thread;
}

void TFetchBytes::Execute() {
  client_.SetStopQuery([this] { return Terminated(); });
  std::string body;
  ok_ = client_.Get(url_, body);
  if (ok_)
    body_ = std::move(body);
  finalUrl_ = client_.FinalUrl().empty() ? url_ : client_.FinalUrl();
}

}  // namespace vlmr
