// A fetch on a thread of its own that hands the body to a callback (the remote configuration
// uses it). The callback runs on the fetch thread, not the UI thread, and gets an empty
// buffer when the fetch failed; it must not keep the buffer beyond its return.
#pragma once

#include <functional>
#include <string>

#include "base/Thread.h"

namespace vlmr {

class THttpCreate : public TWorkerThread {
 public:
  using TOnDone = std::function<void(const std::string& buffer)>;

  THttpCreate(std::string url, TOnDone onDone);

  // Creates the thread and starts it; it frees itself when done.
  static void Launch(std::string url, TOnDone onDone);

  const std::string& Url() const { return url_; }

 protected:
  void Execute() override;

 private:
  std::string url_;
  TOnDone onDone_;
};

}  // namespace vlmr
