#include "net/GetHttp.h"

#include <string_view>

#include "base/Text.h"

namespace vlmr {

bool IsWebAddress(const std::string& address) {
  std::string lower = GbkLower(address.substr(0, 8));
  return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
}

TGetHttp::TGetHttp(std::string url, TOnLoaded onLoaded)
    : url_(std::move(url)), client_(THttpSettings::Full()) {
  if (onLoaded) {
    SetOnTerminate([handler = std::move(onLoaded)](TWorkerThread& self) {
      handler(static_cast<TGetHttp&>(self));
    });
  }
}

TGetHttp* TGetHttp::Launch(std::string url, TOnLoaded onLoaded) {
  auto* thread = new TGetHttp(std::move(url), std::move(onLoaded));
  thread->Start();
  return thread;
}

std::string TGetHttp::DecodeBody(const std::string& body) {
  std::string_view text = body;
  if (text.substr(0, 3) == "\xEF\xBB\xBF")
    text.remove_prefix(3);
  return Utf8ToGbk(text);
}

void TGetHttp::Execute() {
  client_.SetStopQuery([this] { return Terminated(); });
  ok_ = client_.Get(url_, body_);
  finalUrl_ = client_.FinalUrl().empty() ? url_ : client_.FinalUrl();
  if (ok_)
    result_ = DecodeBody(body_);
  else
    body_.clear();
}

}  // namespace vlmr
