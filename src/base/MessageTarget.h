// A message target stands where a window handle would: workers send numbered messages with
// two parameters to it, and its handler runs on the UI thread. Send blocks until the handler
// has run (inline when already on the UI thread); Post queues. Once closed (its window is
// gone) a target drops every message, including those already queued, as a destroyed window
// would. Targets are shared, so a worker holding one never points at freed memory.
//
// A message may also carry an object (SendObject): the handler reads it only during the call,
// while the sender waits, and tells its type by a checked cast, never by a number.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace vlmr {

// The base of every object a message carries.
class TMessagePayload {
 public:
  virtual ~TMessagePayload() = default;
};

class TMessageTarget : public std::enable_shared_from_this<TMessageTarget> {
 public:
  using THandler =
      std::function<std::intptr_t(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam)>;
  using TObjectHandler = std::function<void(std::uint32_t msg, const TMessagePayload& payload)>;

  static std::shared_ptr<TMessageTarget> Create(THandler handler, TObjectHandler objects = {});

  // Runs the handler on the UI thread and returns its result; 0 when the target is closed or
  // no UI thread runs.
  std::intptr_t Send(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);
  // Runs the object handler with `payload` on the UI thread, blocking as Send does; nothing
  // when the target is closed or has no object handler.
  void SendObject(std::uint32_t msg, const TMessagePayload& payload);
  // Queues the message; dropped when the target is closed by the time it is handled.
  void Post(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);

  // Call on the UI thread when the owner goes away; the handler is never called again.
  void Close();
  bool IsClosed() const { return closed_.load(std::memory_order_acquire); }

  TMessageTarget(THandler handler, TObjectHandler objects)
      : handler_(std::move(handler)), objects_(std::move(objects)) {}

 private:
  std::intptr_t Deliver(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);

  THandler handler_;
  TObjectHandler objects_;
  std::atomic<bool> closed_{false};
};

using TWindowHandle = std::shared_ptr<TMessageTarget>;

}  // namespace vlmr
