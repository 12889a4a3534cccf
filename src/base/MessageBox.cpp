#include "base/MessageBox.h"

#include <mutex>

#include "base/Text.h"

namespace vlmr {
namespace {

std::mutex& ServiceMutex() {
  static std::mutex m;
  return m;
}
std::shared_ptr<TMessageBoxService>& Service() {
  static std::shared_ptr<TMessageBoxService> s;
  return s;
}

}  // namespace

const std::string& MessageCaption() {
  static const std::string caption = Utf8ToGbk("提示");
  return caption;
}

void InstallMessageBoxService(std::shared_ptr<TMessageBoxService> service) {
  std::lock_guard lock(ServiceMutex());
  Service() = std::move(service);
}

int ShowMessageBox(const std::string& text, const std::string& caption, int kind) {
  if (kind < MB_KIND_INFORMATION || kind > MB_KIND_QUESTION) {
    return 0;
  }
  std::shared_ptr<TMessageBoxService> service;
  {
    std::lock_guard lock(ServiceMutex());
    service = Service();
  }
  int answer = service ? service->Show(text, caption, kind) : MB_RESULT_CANCEL;
  if (kind != MB_KIND_QUESTION) {
    return 0;
  }
  return answer == MB_RESULT_OK ? MB_RESULT_OK : MB_RESULT_CANCEL;
}

}  // namespace vlmr
