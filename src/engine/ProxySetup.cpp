#include "engine/ProxySetup.h"

#include "base/Text.h"
#include "engine/ProxyPool.h"

namespace vlmr {

std::string ConfigureSavedProxies(const TProxyStore& store, TProxySettings* loaded) {
  int bad = 0;
  std::string problem;
  const TProxySettings settings = store.Load(&bad, &problem);
  TProxyPool::Configure(settings);
  if (loaded) {
    *loaded = settings;
  }
  if (!problem.empty()) {
    return problem + Utf8ToGbk("，本次不使用代理");
  }
  if (bad > 0) {
    return Utf8ToGbk("代理设置文件 " + store.Path() + " 中有 " + std::to_string(bad) +
                     " 个无法识别的代理，已跳过");
  }
  return {};
}

}  // namespace vlmr
