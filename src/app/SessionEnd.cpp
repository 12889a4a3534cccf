#include "app/SessionEnd.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QObject>
#include <QSocketNotifier>
#include <csignal>

namespace vlmr {
namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
  char byte = 1;
  // Only async-signal-safe calls here; a full pipe just means a signal is already pending.
  [[maybe_unused]] ssize_t n = write(g_signalPipe[1], &byte, 1);
}

}  // namespace

void InstallSessionEndHandler(std::function<void()> onEnd) {
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalPipe) != 0) {
    return;
  }
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                   [notifier, onEnd = std::move(onEnd)] {
                     char buffer[16];
                     while (read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
                     }
                     notifier->setEnabled(false);
                     onEnd();
                   });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

}  // namespace vlmr
