#include "net/HttpCreate.h"

#include "net/HttpFetch.h"

namespace vlmr {

THttpCreate::THttpCreate(std::string url, TOnDone onDone)
    : url_(std::move(url)), onDone_(std::move(onDone)) {}

void THttpCreate::Launch(std::string url, TOnDone onDone) {
  (new THttpCreate(std::move(url), std::move(onDone)))->Start();
}

void THttpCreate::Execute() {
  std::string buffer;
  try {
    if (!FetchToStream(url_, buffer))
      buffer.clear();
  } catch (...) {
    buffer.clear();
  }
  if (onDone_)
    onDone_(buffer);
}

}  // namespace vlmr
