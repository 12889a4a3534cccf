#include "base/MessageBox.h"

#include "base/Guarded.h"
#include "base/Text.h"

namespace vlmr {
namespace {

TGuarded<std::shared_ptr<TMessageBoxService>>& Service() {
  static TGuarded<std::shared_ptr<TMessageBoxService>> service;
  return service;
}

}  // namespace

const std::string& MessageCaption() {
  static const std::string caption = Utf8ToGbk("提示");
  return caption;
}

void InstallMessageBoxService(std::shared_ptr<TMessageBoxService> service) {
  Service().Set(std::move(service));
}

int ShowMessageBox(const std::string& text, const std::string& caption, int kind) {
  if (kind < MB_KIND_INFORMATION || kind > MB_KIND_QUESTION) {
    return 0;
  }
  const std::shared_ptr<TMessageBoxService> service = Service().Get();
  int answer = service ? service->Show(text, caption, kind) : MB_RESULT_CANCEL;
  if (kind != MB_KIND_QUESTION) {
    return 0;
  }
  return answer == MB_RESULT_OK ? MB_RESULT_OK : MB_RESULT_CANCEL;
}

}  // namespace vlmr
