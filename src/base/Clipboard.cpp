#include "base/Clipboard.h"

#include <mutex>

namespace vlmr {
namespace {

class TLocalClipboard : public TClipboardService {
 public:
  void SetText(const std::string& utf8) override {
    std::lock_guard lock(mutex_);
    text_ = utf8;
  }
  std::string Text() override {
    std::lock_guard lock(mutex_);
    return text_;
  }

 private:
  std::mutex mutex_;
  std::string text_;
};

std::mutex& ServiceMutex() {
  static std::mutex m;
  return m;
}
std::shared_ptr<TClipboardService>& Service() {
  static std::shared_ptr<TClipboardService> s = std::make_shared<TLocalClipboard>();
  return s;
}
std::shared_ptr<TClipboardService> Current() {
  std::lock_guard lock(ServiceMutex());
  return Service();
}

}  // namespace

void InstallClipboardService(std::shared_ptr<TClipboardService> service) {
  std::lock_guard lock(ServiceMutex());
  Service() = service ? std::move(service) : std::make_shared<TLocalClipboard>();
}

void SetClipboardText(const std::string& utf8) {
  Current()->SetText(utf8);
}
std::string ClipboardText() {
  return Current()->Text();
}

}  // namespace vlmr
