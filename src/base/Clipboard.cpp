#include "base/Clipboard.h"
#include "base/Guarded.h"

namespace vlmr {
namespace {

class TLocalClipboard : public TClipboardService {
 public:
  void SetText(const std::string& utf8) override { text_.Set(utf8); }
  std::string Text() override { return text_.Get(); }

 private:
  TGuarded<std::string> text_;
};

TGuarded<std::shared_ptr<TClipboardService>>& Service() {
  static TGuarded<std::shared_ptr<TClipboardService>> service(std::make_shared<TLocalClipboard>());
  return service;
}
std::shared_ptr<TClipboardService> Current() {
  return Service().Get();
}

}  // namespace

void InstallClipboardService(std::shared_ptr<TClipboardService> service) {
  Service().Set(service ? std::move(service) : std::make_shared<TLocalClipboard>());
}

void SetClipboardText(const std::string& utf8) {
  Current()->SetText(utf8);
}
std::string ClipboardText() {
  return Current()->Text();
}

}  // namespace vlmr
