#include "base/MessageTarget.h"

#include "base/Dispatcher.h"

namespace vlmr {

std::shared_ptr<TMessageTarget> TMessageTarget::Create(THandler handler, TObjectHandler objects) {
  return std::make_shared<TMessageTarget>(std::move(handler), std::move(objects));
}

std::intptr_t TMessageTarget::Deliver(std::uint32_t msg, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
  // Runs on the UI thread, where Close runs too: no close can come between test and call.
  if (IsClosed() || !handler_) {
    return 0;
  }
  try {
    return handler_(msg, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

std::intptr_t TMessageTarget::Send(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  if (IsClosed()) {
    return 0;
  }
  std::intptr_t result = 0;
  SendToUi([&] { result = Deliver(msg, wParam, lParam); });
  return result;
}

void TMessageTarget::SendObject(std::uint32_t msg, const TMessagePayload& payload) {
  if (IsClosed() || !objects_) {
    return;
  }
  SendToUi([&] {
    // On the UI thread, as Close: no close can come between test and call.
    if (IsClosed()) {
      return;
    }
    try {
      objects_(msg, payload);
    } catch (...) {
      // A message the handler cannot take is dropped, as in Deliver.
    }
  });
}

void TMessageTarget::Post(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  if (IsClosed()) {
    return;
  }
  PostToUi(
      [self = shared_from_this(), msg, wParam, lParam] { self->Deliver(msg, wParam, lParam); });
}

void TMessageTarget::Close() {
  // The handler is kept: Close may be called from inside it.
  closed_.store(true, std::memory_order_release);
}

}  // namespace vlmr
