#include "net/ProxyList.h"

#include <algorithm>
#include <cctype>

#include "base/Text.h"

namespace vlmr {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) {
      ++i;
    }
    std::size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) {
      ++i;
    }
    if (i > start) {
      fields.push_back(line.substr(start, i - start));
    }
  }
  return fields;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

bool PercentDecode(std::string_view text, std::string& out) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      decoded.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) {
      return false;
    }
    int high = HexValue(text[i + 1]);
    int low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) {
      return false;
    }
    decoded.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  out = std::move(decoded);
  return true;
}

std::string PercentEncode(std::string_view text) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || c == '-' || c == '.' || c == '_' || c == '~') {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(kHex[u >> 4]);
      out.push_back(kHex[u & 15]);
    }
  }
  return out;
}

bool IsHostChar(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '-' || c == '.' || c == '_';
}

const char* SchemeOf(TProxyKind kind) {
  switch (kind) {
    case TProxyKind::Http:
      return "http";
    case TProxyKind::HttpsConnect:
      return "https";
    case TProxyKind::Socks5:
      return "socks5";
    case TProxyKind::Socks5Hostname:
      return "socks5h";
  }
  return "http";
}

std::string HostPort(const TProxy& p) {
  std::string host = p.host.find(':') != std::string::npos ? "[" + p.host + "]" : p.host;
  return host + ":" + std::to_string(p.port);
}

// "host:port", "[v6]:port", optionally followed by one "/".
TProxyError ParseHostPort(std::string_view text, TProxy& p) {
  if (text.ends_with('/')) {
    text.remove_suffix(1);
  }
  if (text.find_first_of("/?#") != std::string_view::npos) {
    return TProxyError::BadPath;
  }
  std::string_view host;
  std::string_view rest;
  if (text.starts_with('[')) {
    std::size_t close = text.find(']');
    if (close == std::string_view::npos) {
      return TProxyError::BadHost;
    }
    host = text.substr(1, close - 1);
    // Brackets hold an IPv6 address, which always has a colon.
    if (host.find(':') == std::string_view::npos ||
        !std::all_of(host.begin(), host.end(), [](char c) {
          return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
        })) {
      return TProxyError::BadHost;
    }
    rest = text.substr(close + 1);
  } else {
    std::size_t colon = text.rfind(':');
    host = text.substr(0, colon == std::string_view::npos ? text.size() : colon);
    rest = colon == std::string_view::npos ? std::string_view() : text.substr(colon);
    if (host.empty() || !std::all_of(host.begin(), host.end(), IsHostChar) ||
        host.starts_with('.') || host.starts_with('-')) {
      return TProxyError::BadHost;
    }
  }
  if (!rest.starts_with(':') || rest.size() < 2 || rest.size() > 6) {
    return TProxyError::BadPort;
  }
  rest.remove_prefix(1);
  int port = 0;
  for (char c : rest) {
    if (c < '0' || c > '9') {
      return TProxyError::BadPort;
    }
    port = port * 10 + (c - '0');
  }
  if (port < 1 || port > 65535) {
    return TProxyError::BadPort;
  }
  p.host = std::string(host);
  p.port = port;
  return TProxyError::None;
}

// The address with the credentials, the password written as `password` gives it.
std::string WithCredentials(const TProxy& p, const std::string& password) {
  std::string out = std::string(SchemeOf(p.kind)) + "://";
  if (!p.user.empty() || !p.password.empty()) {
    out += PercentEncode(p.user);
    if (!p.password.empty()) {
      out += ":" + password;
    }
    out += "@";
  }
  return out + HostPort(p);
}

}  // namespace

std::string TProxy::Display() const {
  return WithCredentials(*this, "***");
}

std::string TProxy::Key() const {
  return std::string(SchemeOf(kind)) + "://" + HostPort(*this);
}

std::string TProxy::StoredForm() const {
  return WithCredentials(*this, PercentEncode(password));
}

std::string TProxy::CurlAddress() const {
  // A tunnelling proxy is spoken to in plain HTTP; libcurl's "https://" would mean TLS to it.
  const char* scheme = kind == TProxyKind::HttpsConnect ? "http" : SchemeOf(kind);
  return std::string(scheme) + "://" + HostPort(*this);
}

std::string ProxyErrorText(TProxyError error) {
  switch (error) {
    case TProxyError::None:
      return {};
    case TProxyError::Empty:
      return Utf8ToGbk("空的代理地址");
    case TProxyError::BadScheme:
      return Utf8ToGbk("不支持的代理类型（可用 http、https、socks5、socks5h）");
    case TProxyError::BadHost:
      return Utf8ToGbk("代理主机名无效");
    case TProxyError::BadPort:
      return Utf8ToGbk("代理端口无效（应为 1 到 65535）");
    case TProxyError::BadPath:
      return Utf8ToGbk("代理地址在端口后面不应有路径");
    case TProxyError::BadEncoding:
      return Utf8ToGbk("用户名或密码中的 % 编码无效");
    case TProxyError::TwoCredentials:
      return Utf8ToGbk("地址中已有用户名，不能再另外给出");
    case TProxyError::ExtraFields:
      return Utf8ToGbk("多余的内容（格式：地址 [用户名 [密码]]）");
  }
  return {};
}

TProxyError ParseProxy(std::string_view line, TProxy& out) {
  std::vector<std::string_view> fields = Fields(line);
  if (fields.empty()) {
    return TProxyError::Empty;
  }
  if (fields.size() > 3) {
    return TProxyError::ExtraFields;
  }
  TProxy p;
  std::string_view address = fields[0];
  if (std::size_t sep = address.find("://"); sep != std::string_view::npos) {
    std::string scheme = GbkLower(address.substr(0, sep));
    if (scheme == "http") {
      p.kind = TProxyKind::Http;
    } else if (scheme == "https") {
      p.kind = TProxyKind::HttpsConnect;
    } else if (scheme == "socks5") {
      p.kind = TProxyKind::Socks5;
    } else if (scheme == "socks5h") {
      p.kind = TProxyKind::Socks5Hostname;
    } else {
      return TProxyError::BadScheme;
    }
    address.remove_prefix(sep + 3);
  }
  bool inAddress = false;
  if (std::size_t at = address.rfind('@'); at != std::string_view::npos) {
    std::string_view credentials = address.substr(0, at);
    address.remove_prefix(at + 1);
    std::size_t colon = credentials.find(':');
    if (!PercentDecode(credentials.substr(0, colon), p.user)) {
      return TProxyError::BadEncoding;
    }
    if (colon != std::string_view::npos &&
        !PercentDecode(credentials.substr(colon + 1), p.password)) {
      return TProxyError::BadEncoding;
    }
    inAddress = !p.user.empty() || !p.password.empty();
  }
  if (TProxyError e = ParseHostPort(address, p); e != TProxyError::None) {
    return e;
  }
  if (fields.size() > 1) {
    if (inAddress) {
      return TProxyError::TwoCredentials;
    }
    p.user = std::string(fields[1]);
    p.password = fields.size() > 2 ? std::string(fields[2]) : std::string();
  }
  out = std::move(p);
  return TProxyError::None;
}

TProxyListParse ParseProxyList(std::string_view text) {
  TProxyListParse result;
  int number = 0;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) {
      end = text.size();
    }
    std::string_view line = text.substr(pos, end - pos);
    ++number;
    pos = end + 1;
    std::vector<std::string_view> fields = Fields(line);
    if (fields.empty() || fields[0].starts_with('#')) {
      if (end == text.size()) {
        break;
      }
      continue;
    }
    TProxy proxy;
    if (TProxyError e = ParseProxy(line, proxy); e != TProxyError::None) {
      result.errors.push_back({number, e});
    } else if (std::none_of(result.proxies.begin(), result.proxies.end(),
                            [&](const TProxy& p) { return p.Key() == proxy.Key(); })) {
      result.proxies.push_back(std::move(proxy));
    }
    if (end == text.size()) {
      break;
    }
  }
  return result;
}

}  // namespace vlmr
