#include "cli/ProxiesCommand.h"

#include <string>

#include "base/Text.h"
#include "engine/ProxyPool.h"
#include "engine/ProxySetup.h"
#include "net/ProxyCheck.h"

namespace vlmr {

int ListProxies(std::FILE* out, std::FILE* err, bool check) {
  const TProxyStore store;
  TProxySettings settings;
  const std::string problem = ConfigureSavedProxies(store, &settings);
  int code = 0;
  if (!problem.empty()) {
    std::fprintf(err, "vlmr-collect: %s\n", GbkToUtf8(problem).c_str());
    code = 1;
  }
  const std::vector<TProxyStatus> statuses = TProxyPool::Status();
  if (statuses.empty()) {
    if (problem.empty()) {
      std::fprintf(out, "没有保存的代理（%s）\n", store.Path().c_str());
    }
    return code;
  }
  for (const TProxyStatus& s : statuses) {
    if (!check) {
      std::fprintf(out, "代理 %d\t%s\t%s\t请求 %lld\t验证 %lld\t失败 %lld\n", s.number,
                   s.display.c_str(), GbkToUtf8(ProxyStateText(s.state)).c_str(),
                   static_cast<long long>(s.requests), static_cast<long long>(s.verifications),
                   static_cast<long long>(s.failures));
      continue;
    }
    const auto index = static_cast<std::size_t>(s.number - 1);
    if (index >= settings.proxies.size()) {
      continue;
    }
    const TProxyCheck result = CheckProxy(settings.proxies[index]);
    std::fprintf(out, "代理 %d\t%s\t%s\n", s.number, s.display.c_str(),
                 GbkToUtf8(result.text).c_str());
    std::fflush(out);
    if (!result.ok) {
      code = 1;
    }
  }
  return code;
}

}  // namespace vlmr
