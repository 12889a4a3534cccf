#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <vector>

#include "base/Dispatcher.h"
#include "base/Utils.h"
#include "platform/UserFolders.h"

namespace vlmr {
namespace {

// Request: magic, message, wParam, lParam, path length (32-bit each, host order: both ends
// run on this machine), then the asker's executable path. Answer: one 32-bit result.
constexpr char kMagic[4] = {'V', 'L', 'M', 'R'};
constexpr std::size_t kHeaderSize = 20;
constexpr std::uint32_t kMaxPathBytes = 4096;

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int RemainingMs(std::int64_t deadlineMs) {
  std::int64_t left = deadlineMs - NowMs();
  return left < 0 ? 0 : static_cast<int>(left);
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) {
    return false;
  }
  std::memcpy(address.sun_path, path.data(), path.size());
  return true;
}

void CloseFd(int& fd) {
  if (fd >= 0) {
    close(fd);
    fd = -1;
  }
}

void PutU32(unsigned char* p, std::uint32_t v) {
  std::memcpy(p, &v, 4);
}
std::uint32_t GetU32(const unsigned char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

}  // namespace

// One activation handed to the UI thread. The listener waits until the call has run or has
// been dropped, or until the instance is being destroyed while the call has not started.
struct TSingleInstance::TPendingActivation {
  std::mutex mutex;
  std::condition_variable changed;
  bool cancelled = false;
  bool started = false;
  bool finished = false;
  bool ran = false;

  bool Begin() {
    std::lock_guard lock(mutex);
    if (cancelled)
      return false;
    started = true;
    return true;
  }
  void Finish(bool didRun) {
    std::lock_guard lock(mutex);
    finished = true;
    ran = ran || didRun;
    changed.notify_all();
  }
  void Cancel() {
    std::lock_guard lock(mutex);
    cancelled = true;
    changed.notify_all();
  }
  bool Wait() {
    std::unique_lock lock(mutex);
    changed.wait(lock, [this] { return finished || (cancelled && !started); });
    return ran;
  }
};

TSingleInstance::TSingleInstance(std::string name) : name_(std::move(name)) {
  std::string folder = UserRuntimeFolder();
  if (!folder.empty()) {
    lockPath_ = folder + "/" + name_ + ".lock";
    socketPath_ = folder + "/" + name_ + ".sock";
  }
}

TSingleInstance::~TSingleInstance() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    if (pending_)
      pending_->Cancel();
  }
  if (wakePipe_[1] >= 0) {
    char wake = 1;
    while (write(wakePipe_[1], &wake, 1) < 0 && errno == EINTR) {
    }
  }
  if (listener_.joinable()) {
    listener_.join();
  }
  if (listenFd_ >= 0) {
    CloseFd(listenFd_);
    // Removed while the lock is still held, so a later holder's socket is never touched.
    unlink(socketPath_.c_str());
  }
  CloseFd(wakePipe_[0]);
  CloseFd(wakePipe_[1]);
  CloseFd(lockFd_);
}

bool TSingleInstance::Acquire() {
  if (lockFd_ >= 0 || lockPath_.empty()) {
    return true;
  }
  int fd = open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    return true;
  }
  // flock belongs to the open file: it ends with the process, however the process ends, and
  // O_CLOEXEC keeps programs this one starts from inheriting it.
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int error = errno;
    if (error == EINTR)
      continue;
    close(fd);
    return error != EWOULDBLOCK;
  }
  lockFd_ = fd;
  return true;
}

bool TSingleInstance::Listen(std::function<void()> onActivate) {
  sockaddr_un address;
  if (!Held() || listener_.joinable() || !FillAddress(socketPath_, address)) {
    return false;
  }
  onActivate_ = std::move(onActivate);
  listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) {
    return false;
  }
  // We hold the lock, so a socket file left here belongs to a holder that has died.
  unlink(socketPath_.c_str());
  bool ok = bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ok = ok && chmod(socketPath_.c_str(), 0600) == 0 && listen(listenFd_, 16) == 0 &&
       pipe2(wakePipe_, O_CLOEXEC) == 0;
  if (ok) {
    try {
      listener_ = std::thread(&TSingleInstance::Serve, this);
    } catch (...) {
      ok = false;
    }
  }
  if (!ok) {
    CloseFd(listenFd_);
    unlink(socketPath_.c_str());
    CloseFd(wakePipe_[0]);
    CloseFd(wakePipe_[1]);
  }
  return ok;
}

void TSingleInstance::Serve() {
  while (true) {
    pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR)
        continue;
      return;
    }
    if (fds[1].revents != 0) {
      return;
    }
    if (fds[0].revents & (POLLERR | POLLNVAL)) {
      return;
    }
    if (fds[0].revents & POLLIN) {
      int client = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (client >= 0) {
        ServeClient(client);
        close(client);
      }
    }
  }
}

bool TSingleInstance::ReadFully(int fd, void* out, std::size_t count, std::int64_t deadlineMs) {
  auto* p = static_cast<unsigned char*>(out);
  while (count > 0) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    int ready = poll(fds, 2, RemainingMs(deadlineMs));
    if (ready < 0 && errno == EINTR)
      continue;
    if (ready <= 0 || fds[1].revents != 0)
      return false;  // time-out, error or stopping
    ssize_t n = recv(fd, p, count, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
      continue;
    if (n <= 0)
      return false;
    p += n;
    count -= static_cast<std::size_t>(n);
  }
  return true;
}

void TSingleInstance::ServeClient(int client) {
  ucred peer{};
  socklen_t peerSize = sizeof peer;
  if (getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &peerSize) != 0 || peer.uid != geteuid()) {
    return;
  }
  // A client that sends nothing or too little is dropped at the deadline, so the listener
  // never hangs on it.
  const std::int64_t deadline = NowMs() + requestTimeoutMs_;
  unsigned char header[kHeaderSize];
  if (!ReadFully(client, header, sizeof header, deadline) ||
      std::memcmp(header, kMagic, sizeof kMagic) != 0) {
    return;
  }
  const std::uint32_t msg = GetU32(header + 4);
  const std::uint32_t pathSize = GetU32(header + 16);
  if (pathSize > kMaxPathBytes) {
    return;
  }
  std::string path(pathSize, '\0');
  if (pathSize > 0 && !ReadFully(client, path.data(), pathSize, deadline)) {
    return;
  }
  std::int32_t answer = 0;
  if (msg == WM_ACTIVATE_INSTANCE && !path.empty() && path == ExePath()) {
    answer = RunActivation() ? 1 : 0;
  }
  send(client, &answer, sizeof answer, MSG_NOSIGNAL | MSG_DONTWAIT);
}

bool TSingleInstance::RunActivation() {
  auto pending = std::make_shared<TPendingActivation>();
  {
    std::lock_guard lock(mutex_);
    if (stopping_)
      return false;
    pending_ = pending;
  }
  // The ticket finishes the activation when the call is destroyed, run or not, so that a
  // dispatcher that drops the call does not leave the listener waiting.
  struct TTicket {
    explicit TTicket(std::shared_ptr<TPendingActivation> p) : pending(std::move(p)) {}
    TTicket(const TTicket&) = delete;
    TTicket& operator=(const TTicket&) = delete;
    ~TTicket() { pending->Finish(false); }
    std::shared_ptr<TPendingActivation> pending;
  };
  auto ticket = std::make_shared<TTicket>(pending);
  std::function<void()> handler = onActivate_;
  PostToUi([ticket, handler] {
    if (!ticket->pending->Begin())
      return;
    try {
      if (handler)
        handler();
    } catch (...) {
    }
    ticket->pending->Finish(true);
  });
  ticket.reset();
  bool ran = pending->Wait();
  std::lock_guard lock(mutex_);
  pending_.reset();
  return ran;
}

int TSingleInstance::ActivateRunningInstance(int timeoutMs) {
  sockaddr_un address;
  if (!FillAddress(socketPath_, address)) {
    return 0;
  }
  if (timeoutMs <= 0) {
    return 0;
  }
  const std::int64_t deadline = NowMs() + timeoutMs;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return 0;
  }
  // A full backlog makes connect wait; the send time-out bounds that wait.
  timeval limit{};
  limit.tv_sec = timeoutMs / 1000;
  limit.tv_usec = (timeoutMs % 1000) * 1000;
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  std::int32_t answer = 0;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    const std::string path = ExePath();
    std::vector<unsigned char> request(kHeaderSize + path.size());
    std::memcpy(request.data(), kMagic, sizeof kMagic);
    PutU32(request.data() + 4, WM_ACTIVATE_INSTANCE);
    PutU32(request.data() + 8, 1);
    PutU32(request.data() + 12, 1);
    PutU32(request.data() + 16, static_cast<std::uint32_t>(path.size()));
    std::memcpy(request.data() + kHeaderSize, path.data(), path.size());
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
        static_cast<ssize_t>(request.size())) {
      unsigned char reply[4];
      std::size_t got = 0;
      while (got < sizeof reply) {
        pollfd pfd{fd, POLLIN, 0};
        int ready = poll(&pfd, 1, RemainingMs(deadline));
        if (ready < 0 && errno == EINTR)
          continue;
        if (ready <= 0)
          break;
        ssize_t n = recv(fd, reply + got, sizeof reply - got, MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
          continue;
        if (n <= 0)
          break;
        got += static_cast<std::size_t>(n);
      }
      if (got == sizeof reply) {
        std::memcpy(&answer, reply, sizeof answer);
      }
    }
  }
  close(fd);
  return answer;
}

}  // namespace vlmr
