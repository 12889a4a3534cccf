// Real proxy servers for tests: Debian's tinyproxy (HTTP proxy, CONNECT too) and microsocks
// (SOCKS5), each started on a free loopback port with its own configuration in a temporary
// folder and stopped when the object goes. Each may make its outgoing connections from an
// address of its own (127.0.0.x), so that the simulated web tells which proxy a request came
// through (TRequest::peer). A missing binary leaves the object not started; tests skip then.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

#include "net/ProxyList.h"
#include "support/TempFolder.h"

namespace vlmr::test {

enum class TProxyServer { Tinyproxy, Microsocks };

class TRealProxy {
 public:
  // `outgoing`: the source address of its connections onwards (empty: any). `upstream`
  // ("127.0.0.1:port", tinyproxy only): every request is handed on in proxy form to that
  // address, as to a further proxy, so that the simulated web receives tinyproxy's own
  // requests (with its Via header) without the client's test routing.
  explicit TRealProxy(TProxyServer server, std::string outgoing = {}, std::string user = {},
                      std::string password = {}, std::string upstream = {});
  ~TRealProxy();
  TRealProxy(const TRealProxy&) = delete;
  TRealProxy& operator=(const TRealProxy&) = delete;

  // The binary is installed.
  static bool Installed(TProxyServer server);
  // "tinyproxy is not installed (scripts/install-deps installs it)".
  static std::string MissingText(TProxyServer server);

  bool Started() const { return pid_ > 0 && port_ > 0; }
  int Port() const { return port_; }
  const std::string& Outgoing() const { return outgoing_; }
  // The proxy as the program takes it, with the server's user and password.
  TProxy AsProxy(TProxyKind kind) const;
  // The proxy, then the same at a closed port (a dead proxy): a list for the proxy test.
  std::vector<TProxy> WithDeadCopy(TProxyKind kind) const;
  // tinyproxy's own log (empty for microsocks).
  std::string Log() const;
  // Lines of the log that contain `text`.
  int LogLines(std::string_view text) const;

  // A loopback port nothing listens on (a dead proxy).
  static int ClosedPort();

 private:
  TProxyServer server_;
  std::string outgoing_, user_, password_;
  TTempFolder folder_;
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace vlmr::test
