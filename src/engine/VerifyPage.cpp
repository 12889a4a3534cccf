#include "engine/VerifyPage.h"

#include <algorithm>

#include "base/Text.h"
#include "engine/SiteLinks.h"
#include "engine/records/EngineSettings.h"

namespace vlmr {
namespace {

struct TVerifyMarkers {
  std::string_view host;    // the address lies on this host
  std::string_view domain;  // with `path`: the address lies inside this domain ...
  std::string_view path;    // ... and its path begins with this
  std::string_view title;   // the page's title is this
};

TVerifyMarkers MarkersOf(TEngineIndex engine) {
  switch (engine) {
    case ENGINE_BAIDU:
      return {BaiduVerifyHost, {}, {}, BaiduVerifyTitle};
    case ENGINE_SOGOU:
      return {{}, SogouDomain, SogouVerifyPath, {}};
    case ENGINE_360:
      return {Search360VerifyHost, {}, {}, Search360VerifyTitle};
  }
  return {};
}

// The host of an address in lower case, without its port.
std::string BareHost(std::string_view url) {
  std::string host = GbkLower(HostOfUrl(url));
  if (std::size_t colon = host.find(':'); colon != std::string::npos) {
    host.resize(colon);
  }
  return host;
}

bool InsideDomain(const std::string& host, std::string_view domain) {
  return host == domain || (host.size() > domain.size() && host.ends_with(domain) &&
                            host[host.size() - domain.size() - 1] == '.');
}

// The path of an address: after its host, before its query or fragment.
std::string_view PathOf(std::string_view url) {
  std::size_t scheme = url.find("://");
  std::string_view rest = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
  std::size_t slash = rest.find_first_of("/?#");
  if (slash == std::string_view::npos || rest[slash] != '/') {
    return {};
  }
  rest.remove_prefix(slash);
  return rest.substr(0, rest.find_first_of("?#"));
}

// The text of the body's first title element, trimmed.
std::string FirstTitle(std::string_view body) {
  std::size_t open = FindNoCase(body, "<title");
  if (open == std::string_view::npos) {
    return {};
  }
  std::size_t start = body.find('>', open);
  if (start == std::string_view::npos) {
    return {};
  }
  std::size_t close = FindNoCase(body, "</title", start + 1);
  if (close == std::string_view::npos) {
    return {};
  }
  return Trim(body.substr(start + 1, close - start - 1));
}

}  // namespace

bool IsVerificationPage(TEngineIndex engine, std::string_view finalUrl, std::string_view body) {
  const TVerifyMarkers m = MarkersOf(engine);
  const std::string host = BareHost(finalUrl);
  if (!m.host.empty() && host == m.host) {
    return true;
  }
  if (!m.path.empty() && InsideDomain(host, m.domain)) {
    std::string_view path = PathOf(finalUrl);
    // "/antispider/" also stands for "/antispider" itself.
    std::string_view bare = m.path.ends_with('/') ? m.path.substr(0, m.path.size() - 1) : m.path;
    if (path.starts_with(m.path) || path == bare) {
      return true;
    }
  }
  return !m.title.empty() && !body.empty() && FirstTitle(body) == m.title;
}

std::string VerificationText(TEngineIndex engine) {
  return SourceLabel(engine) + Utf8ToGbk("：搜索引擎要求安全验证，稍后自动重试");
}

std::string ProxySwitchText(TEngineIndex engine, int from, int to) {
  return SourceLabel(engine) + Utf8ToGbk("：代理 ") + std::to_string(from) +
         Utf8ToGbk(" 需要安全验证，已切换到代理 ") + std::to_string(to);
}

int NextCoolDownMs(int coolDownMs) {
  return coolDownMs >= kLongestCoolDownMs / 2 ? kLongestCoolDownMs : std::max(coolDownMs, 1) * 2;
}

}  // namespace vlmr
