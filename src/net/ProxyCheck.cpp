#include "net/ProxyCheck.h"

#include <chrono>

#include "base/Text.h"

namespace vlmr {
namespace {

std::string FailureText(THttpError error, int status) {
  switch (error) {
    case THttpError::ProxyConnect:
      return Utf8ToGbk("无法连接到代理服务器");
    case THttpError::ProxyAuth:
      return Utf8ToGbk("代理服务器拒绝了用户名或密码");
    case THttpError::ProxyRefused:
      return Utf8ToGbk("代理服务器无法连接到目标网站");
    case THttpError::Timeout:
      return Utf8ToGbk("通过代理访问超时");
    case THttpError::HttpStatus:
      return Utf8ToGbk("目标网站返回了错误状态 ") + std::to_string(status);
    case THttpError::TooManyRedirects:
      return Utf8ToGbk("目标网站重定向次数过多");
    case THttpError::BadUrl:
      return Utf8ToGbk("测试网址无效");
    default:
      return Utf8ToGbk("通过代理访问失败（网络错误）");
  }
}

}  // namespace

TProxyCheck CheckProxy(const TProxy& proxy, const std::string& url, int timeoutMs) {
  THttpSettings settings = THttpSettings::Engine();
  settings.connectTimeoutMs = timeoutMs;
  settings.idleTimeoutMs = timeoutMs;
  settings.keepCookies = false;
  THttpClient client(settings);
  client.SetProxy(proxy);

  const auto start = std::chrono::steady_clock::now();
  std::string body;
  TProxyCheck check;
  check.ok = client.Get(url, body);
  check.elapsedMs = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now() - start)
                                         .count());
  check.error = client.LastError();
  check.status = client.Status();
  check.text = check.ok
                   ? Utf8ToGbk("成功（") + std::to_string(check.elapsedMs) + Utf8ToGbk(" 毫秒）")
                   : FailureText(check.error, check.status);
  return check;
}

}  // namespace vlmr
