// The simulated web: one HTTP server on 127.0.0.1 (an ephemeral port, its own threads) that
// answers by Host header, so that with the HTTP client's connect-to override (see
// ConnectToWeb.h) the program's real addresses reach it. Hosts are registered with static
// pages (target -> page) or with a handler; every request is logged before it is answered.
//
// Misbehaviour is a property of a page (TFault): stalls, resets, endless bodies; error
// statuses, redirects and odd bodies are plain pages. A stall lasts until ReleaseStalls or
// until the server is destroyed, whose destructor ends every stall first and never waits for
// a stalled answer.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vlmr::test {

enum class TCharset { Utf8, Gbk };

// The bytes of a text written in UTF-8 (as source literals are) in the given character set.
std::string EncodeText(std::string_view utf8, TCharset charset);
// The same in any character set iconv knows ("BIG5", "UTF-16LE", ...); raises when the set is
// unknown or cannot hold every character.
std::string EncodeTextIn(std::string_view utf8, const char* charset);
// "utf-8" or "gbk", as a Content-Type charset names them.
const char* CharsetName(TCharset charset);

enum class TFault {
  None,
  StallBeforeHeaders,  // hold the request; on release answer normally
  StallInBody,         // send the headers and `faultAfterBytes` bytes of the body (fewer
                       // than its size), then hold; on release send the rest
  Reset,               // reset the connection before anything is sent
  EndlessBody,         // a chunked body that never ends: bytes until the client leaves
};

using THeaders = std::vector<std::pair<std::string, std::string>>;

struct TPage {
  int status = 200;
  std::string body;  // bytes as sent
  std::string contentType = "text/html";
  std::string charset;  // appended to the Content-Type as "; charset=..." when not empty
  THeaders headers;     // further headers; several Set-Cookie lines are fine
  TFault fault = TFault::None;
  std::size_t faultAfterBytes = 0;
  bool withLength = true;  // false: no Content-Length, the body ends when the connection does

  // A page from a UTF-8 text, sent in `charset` and labelled with it.
  static TPage Html(std::string_view utf8Text, TCharset charset = TCharset::Utf8);
  // Bytes as they are.
  static TPage Bytes(std::string body, std::string contentType = "text/html");
  static TPage Redirect(std::string location, int status = 302);
  static TPage Error(int status, std::string body);
  static TPage NoContent();
  // `size` bytes of filler (a large page).
  static TPage Filled(std::size_t size, char fill = 'x');
  static TPage Faulty(TFault fault, std::string body = "", std::size_t afterBytes = 0);

  TPage& AddHeader(std::string name, std::string value);
  TPage& SetCookie(std::string cookie) { return AddHeader("Set-Cookie", std::move(cookie)); }
};

struct TRequest {
  std::chrono::steady_clock::time_point time;
  std::string method;
  std::string host;    // the Host header without its port, in lower case
  std::string target;  // path and query as sent
  std::string path;    // the target before "?"
  std::string query;   // the target after "?" (empty when none)
  std::string version;
  std::string peer;  // the address the connection came from ("127.0.0.1", or a proxy's)
  THeaders headers;

  // The first header of that name (any letter case); empty when there is none.
  std::string Header(std::string_view name) const;
  bool HasHeader(std::string_view name) const;
};

class TSimulatedWeb {
 public:
  using THandler = std::function<TPage(const TRequest&)>;

  TSimulatedWeb();
  ~TSimulatedWeb();
  TSimulatedWeb(const TSimulatedWeb&) = delete;
  TSimulatedWeb& operator=(const TSimulatedWeb&) = delete;

  int Port() const { return port_; }

  // Hosts: an exact name ("www.example.com") or a wildcard for every subdomain
  // ("*.example.com", which does not match "example.com" itself). Names ignore letter case.
  // A page registered for a target (the path, or the path and query) is served before the
  // host's handler; a host with neither for a target answers 404. An unregistered host gets
  // the default handler, or, without one, a reset connection (as an unreachable site would).
  void AddPage(std::string_view host, std::string target, TPage page);
  void AddHost(std::string_view host, THandler handler);
  // Every target of the host gets the same page.
  void AddHost(std::string_view host, TPage page);
  void RemoveHost(std::string_view host);
  void SetDefaultHandler(THandler handler);

  // The request log, in arrival order.
  std::vector<TRequest> Requests() const;
  std::vector<TRequest> RequestsTo(std::string_view host) const;
  void ClearRequests();
  // Waits until at least `count` requests are logged; false after `timeoutMs`.
  bool WaitForRequests(std::size_t count, int timeoutMs) const;

  // Requests being held by a stall right now, and a wait for them.
  int Stalled() const;
  bool WaitForStalled(int count, int timeoutMs) const;
  // Lets every stall that is holding now go on.
  void ReleaseStalls();

  // For the server's threads only.
  struct TImpl;

 private:
  std::unique_ptr<TImpl> impl_;
  int port_ = 0;
};

}  // namespace vlmr::test
