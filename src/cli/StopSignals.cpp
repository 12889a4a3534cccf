#include "cli/StopSignals.h"

#include <unistd.h>

#include <csignal>

namespace vlmr {
namespace {

volatile std::sig_atomic_t received = 0;

extern "C" void OnStopSignal(int signal) {
  if (received != 0) {
    _exit(128 + signal);
  }
  received = signal;
}

}  // namespace

void TStopSignals::Install() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

int TStopSignals::Received() {
  return received;
}

}  // namespace vlmr
