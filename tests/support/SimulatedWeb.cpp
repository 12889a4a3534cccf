#include "support/SimulatedWeb.h"

#include <httplib.h>
#include <iconv.h>

#include <algorithm>
#include <csignal>
#include <stdexcept>
#include <thread>

#include "base/Text.h"

#ifdef __linux__
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#endif

namespace vlmr::test {
namespace {

constexpr std::size_t kChunk = 16 * 1024;

std::string Lower(std::string_view text) {
  return GbkLower(text);
}

std::string HostOf(const httplib::Request& req) {
  std::string host = req.get_header_value("Host");
  if (!host.empty() && host.front() == '[') {
    host = host.substr(0, host.find(']') + 1);
  } else if (std::size_t colon = host.find(':'); colon != std::string::npos) {
    host.resize(colon);
  }
  return Lower(host);
}

#ifdef __linux__
// The server's descriptor of the connection from client port `remotePort`, or -1.
int FindServerSocket(int localPort, int remotePort) {
  DIR* dir = opendir("/proc/self/fd");
  if (!dir)
    return -1;
  int found = -1;
  while (dirent* entry = readdir(dir)) {
    int fd = std::atoi(entry->d_name);
    if (fd <= 2 || fd == dirfd(dir))
      continue;
    sockaddr_in self{}, peer{};
    socklen_t selfLen = sizeof self, peerLen = sizeof peer;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&self), &selfLen) != 0)
      continue;
    if (self.sin_family != AF_INET || ntohs(self.sin_port) != localPort)
      continue;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLen) != 0)
      continue;
    if (ntohs(peer.sin_port) != remotePort)
      continue;
    found = fd;
    break;
  }
  closedir(dir);
  return found;
}
#endif

// Resets the connection: with a zero linger time the close sends RST. The descriptor number
// is atomically replaced by /dev/null, so the server's own later reads, writes and close of
// it stay harmless.
void ResetConnection(int localPort, int remotePort) {
#ifdef __linux__
  int fd = FindServerSocket(localPort, remotePort);
  if (fd < 0)
    return;
  linger hard{1, 0};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  int devnull = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (devnull >= 0) {
    dup2(devnull, fd);
    close(devnull);
  }
#else
  (void)localPort;
  (void)remotePort;
#endif
}

// Ends a body that has no length: the server would otherwise keep the connection open.
void FinishSending(int localPort, int remotePort) {
#ifdef __linux__
  int fd = FindServerSocket(localPort, remotePort);
  if (fd >= 0)
    shutdown(fd, SHUT_WR);
#else
  (void)localPort;
  (void)remotePort;
#endif
}

bool HostMatches(const std::string& pattern, const std::string& host) {
  if (pattern.rfind("*.", 0) == 0) {
    std::string_view suffix = std::string_view(pattern).substr(1);  // ".example.com"
    return host.size() > suffix.size() &&
           host.compare(host.size() - suffix.size(), suffix.size(), suffix) == 0;
  }
  return pattern == host;
}

}  // namespace

std::string EncodeText(std::string_view utf8, TCharset charset) {
  return charset == TCharset::Gbk ? Utf8ToGbk(utf8) : std::string(utf8);
}

std::string EncodeTextIn(std::string_view utf8, const char* charset) {
  iconv_t cd = iconv_open(charset, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    throw std::runtime_error(std::string("no conversion to ") + charset);
  }
  std::string out(utf8.size() * 4 + 8, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* dst = out.data();
  std::size_t outLeft = out.size();
  const bool whole = iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!whole) {
    throw std::runtime_error(std::string("not all of the text has a form in ") + charset);
  }
  out.resize(out.size() - outLeft);
  return out;
}

const char* CharsetName(TCharset charset) {
  return charset == TCharset::Gbk ? "gbk" : "utf-8";
}

TPage TPage::Html(std::string_view utf8Text, TCharset charset) {
  TPage page;
  page.body = EncodeText(utf8Text, charset);
  page.charset = CharsetName(charset);
  return page;
}

TPage TPage::Bytes(std::string body, std::string contentType) {
  TPage page;
  page.body = std::move(body);
  page.contentType = std::move(contentType);
  return page;
}

TPage TPage::Redirect(std::string location, int status) {
  TPage page;
  page.status = status;
  page.body = "<html>moved</html>";
  page.headers.emplace_back("Location", std::move(location));
  return page;
}

TPage TPage::Error(int status, std::string body) {
  TPage page;
  page.status = status;
  page.body = std::move(body);
  return page;
}

TPage TPage::NoContent() {
  TPage page;
  page.status = 204;
  return page;
}

TPage TPage::Filled(std::size_t size, char fill) {
  TPage page;
  page.body.assign(size, fill);
  page.contentType = "application/octet-stream";
  return page;
}

TPage TPage::Faulty(TFault fault, std::string body, std::size_t afterBytes) {
  TPage page;
  page.fault = fault;
  page.body = std::move(body);
  page.faultAfterBytes = afterBytes;
  return page;
}

TPage& TPage::AddHeader(std::string name, std::string value) {
  headers.emplace_back(std::move(name), std::move(value));
  return *this;
}

std::string TRequest::Header(std::string_view name) const {
  for (const auto& [key, value] : headers) {
    if (SameText(key, name))
      return value;
  }
  return {};
}

bool TRequest::HasHeader(std::string_view name) const {
  return std::any_of(headers.begin(), headers.end(),
                     [&](const auto& h) { return SameText(h.first, name); });
}

struct TSimulatedWeb::TImpl {
  struct THost {
    std::string pattern;
    std::map<std::string, TPage> pages;
    THandler handler;
  };

  httplib::Server server;
  std::thread thread;
  int port = 0;

  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  std::vector<THost> hosts;
  THandler defaultHandler;
  std::vector<TRequest> log;
  int stalled = 0;
  std::uint64_t releases = 0;
  bool stopping = false;

  THost& HostEntry(std::string_view name) {
    std::string pattern = Lower(name);
    for (THost& h : hosts) {
      if (h.pattern == pattern)
        return h;
    }
    hosts.push_back(THost{pattern, {}, {}});
    return hosts.back();
  }

  // Holds the calling server thread; true when released, false when the server stops.
  bool Stall() {
    std::unique_lock lock(mutex);
    std::uint64_t seen = releases;
    ++stalled;
    changed.notify_all();
    changed.wait(lock, [&] { return stopping || releases != seen; });
    --stalled;
    changed.notify_all();
    return !stopping;
  }

  // A body cut off by the server's end: the client must see a broken transfer, not a short
  // but complete one.
  bool Cut(int client) {
    ResetConnection(port, client);
    return false;
  }

  bool Stopping() const {
    std::lock_guard lock(mutex);
    return stopping;
  }

  // The page for a request, or nothing for an unknown host (reset).
  bool Route(const TRequest& request, TPage& page) {
    THandler handler;
    {
      std::lock_guard lock(mutex);
      const THost* best = nullptr;
      for (const THost& h : hosts) {
        if (!HostMatches(h.pattern, request.host))
          continue;
        // An exact name wins over wildcards, a longer wildcard over a shorter one.
        if (!best || (h.pattern[0] != '*' && best->pattern[0] == '*') ||
            (h.pattern[0] == '*' && best->pattern[0] == '*' &&
             h.pattern.size() > best->pattern.size())) {
          best = &h;
        }
      }
      if (!best) {
        if (!defaultHandler)
          return false;
        handler = defaultHandler;
      } else {
        auto found = best->pages.find(request.target);
        if (found == best->pages.end())
          found = best->pages.find(request.path);
        if (found != best->pages.end()) {
          page = found->second;
          return true;
        }
        if (!best->handler) {
          page = TPage::Error(404, "<html>Not Found</html>");
          return true;
        }
        handler = best->handler;
      }
    }
    // Handlers run without the lock: they may stall or register pages themselves.
    page = handler(request);
    return true;
  }

  void Answer(const httplib::Request& req, httplib::Response& res) {
    TRequest request;
    request.time = std::chrono::steady_clock::now();
    request.method = req.method;
    request.host = HostOf(req);
    request.target = req.target.empty() ? req.path : req.target;
    // A request in proxy form ("GET http://host/path") names its host in the target too.
    if (request.target.starts_with("http://")) {
      std::size_t slash = request.target.find('/', 7);
      request.target = slash == std::string::npos ? "/" : request.target.substr(slash);
    }
    std::size_t question = request.target.find('?');
    request.path = request.target.substr(0, question);
    request.query = question == std::string::npos ? "" : request.target.substr(question + 1);
    request.version = req.version;
    request.peer = req.remote_addr;
    for (const auto& [key, value] : req.headers)
      request.headers.emplace_back(key, value);
    {
      std::lock_guard lock(mutex);
      log.push_back(request);
    }
    changed.notify_all();

    TPage page;
    if (!Route(request, page) || page.fault == TFault::Reset) {
      ResetConnection(port, req.remote_port);
      return;
    }
    if (page.fault == TFault::StallBeforeHeaders) {
      if (!Stall()) {
        ResetConnection(port, req.remote_port);
        return;
      }
      page.fault = TFault::None;
    }

    res.status = page.status;
    for (const auto& [key, value] : page.headers)
      res.headers.emplace(key, value);
    std::string type = page.contentType;
    if (!page.charset.empty())
      type += "; charset=" + page.charset;

    if (!page.withLength && page.fault != TFault::EndlessBody) {
      // A body without a length ends with the connection.
      res.set_header("Connection", "close");
    }
    auto body = std::make_shared<std::string>(std::move(page.body));
    int client = req.remote_port;
    switch (page.fault) {
      case TFault::EndlessBody:
        // Chunked, so that a body the server's shutdown ends between calls still lacks its
        // last chunk; and one call that never returns normally, so that it ends with a reset.
        res.set_chunked_content_provider(
            type, [this, body, client](std::size_t, httplib::DataSink& sink) {
              static const std::string filler(kChunk, 'z');
              const std::string& chunk = body->empty() ? filler : *body;
              while (!Stopping()) {
                if (!sink.write(chunk.data(), chunk.size()))
                  return false;
              }
              return Cut(client);
            });
        return;
      case TFault::StallInBody: {
        // At least one byte is held back, or there would be nothing left to stall before.
        std::size_t after = std::min(page.faultAfterBytes, body->empty() ? 0 : body->size() - 1);
        auto released = std::make_shared<bool>(false);
        res.set_content_provider(
            body->size(), type,
            [this, body, after, released, client](std::size_t offset, std::size_t length,
                                                  httplib::DataSink& sink) {
              if (offset >= after && !*released) {
                if (!Stall())
                  return Cut(client);
                *released = true;
              }
              std::size_t end = offset < after ? after : offset + length;
              end = std::min({end, offset + kChunk, body->size()});
              return sink.write(body->data() + offset, end - offset);
            });
        return;
      }
      default:
        break;
    }
    if (!page.withLength) {
      res.set_content_provider(type,
                               [this, body, client](std::size_t offset, httplib::DataSink& sink) {
                                 if (Stopping())
                                   return Cut(client);
                                 if (offset >= body->size()) {
                                   FinishSending(port, client);
                                   sink.done();
                                   return true;
                                 }
                                 std::size_t n = std::min(kChunk, body->size() - offset);
                                 return sink.write(body->data() + offset, n);
                               });
      return;
    }
    res.set_content(*body, type);
  }
};

TSimulatedWeb::TSimulatedWeb() : impl_(std::make_unique<TImpl>()) {
#ifdef SIGPIPE
  // A client that goes away mid-answer must not end the test process.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  TImpl& impl = *impl_;
  // Stalled answers each hold a server thread; leave room for many of them.
  impl.server.new_task_queue = [] { return new httplib::ThreadPool(32); };
  impl.server.set_keep_alive_max_count(100);
  impl.server.set_tcp_nodelay(true);
  impl.server.Get(".*", [&impl](const httplib::Request& req, httplib::Response& res) {
    impl.Answer(req, res);
  });
  impl.port = impl.server.bind_to_any_port("127.0.0.1");
  port_ = impl.port;
  impl.thread = std::thread([&impl] { impl.server.listen_after_bind(); });
  // stop() is only heard once the accept loop runs.
  while (!impl.server.is_running())
    std::this_thread::yield();
}

TSimulatedWeb::~TSimulatedWeb() {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopping = true;
  }
  impl_->changed.notify_all();
  impl_->server.stop();
  impl_->thread.join();
}

void TSimulatedWeb::AddPage(std::string_view host, std::string target, TPage page) {
  std::lock_guard lock(impl_->mutex);
  impl_->HostEntry(host).pages[std::move(target)] = std::move(page);
}

void TSimulatedWeb::AddHost(std::string_view host, THandler handler) {
  std::lock_guard lock(impl_->mutex);
  impl_->HostEntry(host).handler = std::move(handler);
}

void TSimulatedWeb::AddHost(std::string_view host, TPage page) {
  AddHost(host, [page = std::move(page)](const TRequest&) { return page; });
}

void TSimulatedWeb::RemoveHost(std::string_view host) {
  std::lock_guard lock(impl_->mutex);
  std::string pattern = Lower(host);
  std::erase_if(impl_->hosts, [&](const TImpl::THost& h) { return h.pattern == pattern; });
}

void TSimulatedWeb::SetDefaultHandler(THandler handler) {
  std::lock_guard lock(impl_->mutex);
  impl_->defaultHandler = std::move(handler);
}

std::vector<TRequest> TSimulatedWeb::Requests() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->log;
}

std::vector<TRequest> TSimulatedWeb::RequestsTo(std::string_view host) const {
  std::string name = Lower(host);
  std::lock_guard lock(impl_->mutex);
  std::vector<TRequest> result;
  for (const TRequest& r : impl_->log) {
    if (r.host == name)
      result.push_back(r);
  }
  return result;
}

void TSimulatedWeb::ClearRequests() {
  std::lock_guard lock(impl_->mutex);
  impl_->log.clear();
}

bool TSimulatedWeb::WaitForRequests(std::size_t count, int timeoutMs) const {
  std::unique_lock lock(impl_->mutex);
  return impl_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [&] { return impl_->log.size() >= count; });
}

int TSimulatedWeb::Stalled() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->stalled;
}

bool TSimulatedWeb::WaitForStalled(int count, int timeoutMs) const {
  std::unique_lock lock(impl_->mutex);
  return impl_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [&] { return impl_->stalled >= count; });
}

void TSimulatedWeb::ReleaseStalls() {
  {
    std::lock_guard lock(impl_->mutex);
    ++impl_->releases;
  }
  impl_->changed.notify_all();
}

}  // namespace vlmr::test
