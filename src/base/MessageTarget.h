// A message target stands where a window handle would: workers send numbered messages with
// two parameters to it, and its handler runs on the UI thread. Send blocks until the handler
// has run (inline when already on the UI thread); Post queues. Once closed (its window is
// gone) a target drops every message, including those already queued, as a destroyed window
// would. Targets are shared, so a worker holding one never points at freed memory.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace vlmr {

class TMessageTarget : public std::enable_shared_from_this<TMessageTarget> {
 public:
  using THandler =
      std::function<std::intptr_t(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam)>;

  static std::shared_ptr<TMessageTarget> Create(THandler handler);

  // Runs the handler on the UI thread and returns its result; 0 when the target is closed or
  // no UI thread runs.
  std::intptr_t Send(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);
  // Queues the message; dropped when the target is closed by the time it is handled.
  void Post(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);

  // Call on the UI thread when the owner goes away; the handler is never called again.
  void Close();
  bool IsClosed() const { return closed_.load(std::memory_order_acquire); }

  explicit TMessageTarget(THandler handler) : handler_(std::move(handler)) {}

 private:
  std::intptr_t Deliver(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);

  THandler handler_;
  std::atomic<bool> closed_{false};
};

using TWindowHandle = std::shared_ptr<TMessageTarget>;

}  // namespace vlmr
