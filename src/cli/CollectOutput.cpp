#include "cli/CollectOutput.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace vlmr {
namespace {

class TLineOutput : public TCollectOutput {
 public:
  TLineOutput(std::FILE* out, bool json) : out_(out), json_(json) {}
  void Event(const TCollectEvent& event) override {
    const std::string line = (json_ ? JsonLine(event) : PlainLine(event)) + "\n";
    std::fputs(line.c_str(), out_);
    std::fflush(out_);
  }
  void Status(const TRunStatus&, bool) override {}

 private:
  std::FILE* out_;
  bool json_;
};

class TLiveOutput : public TCollectOutput {
 public:
  TLiveOutput(std::FILE* out, int columns) : block_(out, columns) {}
  void Event(const TCollectEvent&) override {}
  void Status(const TRunStatus& status, bool last) override {
    // A few redraws a second are enough to look live.
    const auto now = std::chrono::steady_clock::now();
    if (!last && now - drawn_ < std::chrono::milliseconds(200)) {
      return;
    }
    drawn_ = now;
    block_.Draw(status);
  }

 private:
  TStatusBlock block_;
  std::chrono::steady_clock::time_point drawn_{};
};

int TerminalColumns(std::FILE* out) {
  winsize size{};
  if (ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 20) {
    return size.ws_col;
  }
  return 80;
}

}  // namespace

std::unique_ptr<TCollectOutput> MakeCollectOutput(std::FILE* out, bool json) {
  if (!json && isatty(fileno(out))) {
    return std::make_unique<TLiveOutput>(out, TerminalColumns(out));
  }
  return std::make_unique<TLineOutput>(out, json);
}

}  // namespace vlmr
