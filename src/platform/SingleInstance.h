// One instance per user. The first instance holds a lock named after the program; a crashed
// instance leaves nothing held, since the lock dies with its process. The holder also listens
// on a per-user local socket on which a second instance asks it to show itself: the request
// carries the asker's executable path, and only a holder started from the same path is asked
// to act. The holder's handler runs on the UI thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace vlmr {

inline constexpr std::uint32_t WM_ACTIVATE_INSTANCE = 0x87DF;

class TSingleInstance {
 public:
  // `name` names the lock and the socket ("vlmrclient"); they live in UserRuntimeFolder().
  explicit TSingleInstance(std::string name);
  ~TSingleInstance();  // stops the listener and releases the lock
  TSingleInstance(const TSingleInstance&) = delete;
  TSingleInstance& operator=(const TSingleInstance&) = delete;

  // Takes the lock without waiting. True when this process now holds it (also when an
  // earlier holder died); false when another live process holds it. Also true, with Held()
  // false, when no lock can be made at all (no usable runtime folder): the program then
  // starts rather than never starting.
  bool Acquire();
  bool Held() const { return lockFd_ >= 0; }

  // While held: serves activation requests. For a request from the same executable path the
  // handler is run on the UI thread with WM_ACTIVATE_INSTANCE, 1, 1, and the listener waits
  // for it; the answer sent back is 1 when it ran, 0 for another path or when no UI thread
  // ran it. Call once, after Acquire succeeded; false when the socket could not be set up.
  bool Listen(std::function<void()> onActivate);

  // Second instance: asks the holder to show itself. Returns the holder's answer (1 when it
  // showed its window), 0 when no holder answered within the time-out.
  int ActivateRunningInstance(int timeoutMs = 3000);

  // How long the holder waits for a connected client's request before dropping it (2000 ms
  // unless set). Set before Listen.
  void SetRequestTimeoutMs(int ms) { requestTimeoutMs_ = ms; }

  const std::string& LockPath() const { return lockPath_; }
  const std::string& SocketPath() const { return socketPath_; }

 private:
  struct TPendingActivation;

  void Serve();
  void ServeClient(int client);
  bool ReadFully(int fd, void* out, std::size_t count, std::int64_t deadlineMs);
  bool RunActivation();

  std::string name_;
  std::string lockPath_;
  std::string socketPath_;
  int lockFd_ = -1;
  int listenFd_ = -1;
  int wakePipe_[2] = {-1, -1};
  std::function<void()> onActivate_;
  std::thread listener_;
  int requestTimeoutMs_ = 2000;

  // Lets the destructor stop a listener that waits for the UI thread, which may be the very
  // thread running the destructor.
  std::mutex mutex_;
  bool stopping_ = false;
  std::shared_ptr<TPendingActivation> pending_;
};

}  // namespace vlmr
