// A file download on a thread of its own with the full client (the automatic update uses it).
// Progress goes to Window as posted messages MessageNo with WParam 2 and LParam the rounded
// percentage of TotalBytes; the completion handler runs on the UI thread after the run and
// reads Status:
//   0   not finished: a network, HTTP or file error, an archive that could not be unpacked,
//       or a stop request;
//   2   the file is saved, checked and, for Kind 2, unpacked beside it and deleted;
//   255 the saved file failed the CRC-32 check or the verifier refused it (the file stays, an
//       archive is not unpacked).
// The address must be http:// or https://.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "base/MessageTarget.h"
#include "base/Thread.h"
#include "net/HttpClient.h"

namespace vlmr {

class TDownIdHttp : public TWorkerThread {
 public:
  using TOnDone = std::function<void(TDownIdHttp&)>;
  using TVerifier = std::function<bool(const std::string& savePath)>;

  static constexpr std::uint8_t kStatusNotFinished = 0;
  static constexpr std::uint8_t kStatusDone = 2;
  static constexpr std::uint8_t kStatusBadCrc = 255;
  static constexpr std::uint8_t kKindKeep = 1;
  static constexpr std::uint8_t kKindUnpack = 2;
  // A download is a file, not a page: its body may be larger than a page's.
  static constexpr std::size_t kMaxDownloadBytes = 128u * 1024 * 1024;

  // `window` may be null (no progress messages). `savePath` is a native path.
  TDownIdHttp(TWindowHandle window, std::string url, std::string savePath, std::uint32_t messageNo,
              std::uint32_t expectedCrc, std::uint8_t kind, TOnDone onDone = {});

  // Creates the thread and starts it. The pointer is valid until the handler has run.
  static TDownIdHttp* Launch(TWindowHandle window, std::string url, std::string savePath,
                             std::uint32_t messageNo, std::uint32_t expectedCrc, std::uint8_t kind,
                             TOnDone onDone, TVerifier verifier = {});

  // Called on the download thread with the saved file after the CRC-32 check and before any
  // unpacking; false counts as a CRC mismatch. Set before Start only.
  void SetVerifier(TVerifier verifier) { verifier_ = std::move(verifier); }

  // The settings of the client the run creates; adjust before Start only.
  THttpSettings& ClientSettings() { return settings_; }

  const TWindowHandle& Window() const { return window_; }
  const std::string& Url() const { return url_; }
  const std::string& SavePath() const { return savePath_; }
  std::uint32_t MessageNo() const { return messageNo_; }
  std::uint32_t ExpectedCrc() const { return expectedCrc_; }
  std::uint8_t Kind() const { return kind_; }
  std::int64_t TotalBytes() const { return totalBytes_.load(std::memory_order_acquire); }
  std::uint8_t Status() const { return status_.load(std::memory_order_acquire); }

  void OnStopRequested() override;

  // An address the download accepts: "http://" or "https://", in any letter case.
  static bool IsDownloadUrl(const std::string& url);

 protected:
  void Execute() override;

 private:
  void Download();
  void OnWorkBegin(std::int64_t expected);
  void OnWork(std::int64_t received);

  TWindowHandle window_;
  std::string url_;
  std::string savePath_;
  std::uint32_t messageNo_;
  std::uint32_t expectedCrc_;
  std::uint8_t kind_;
  THttpSettings settings_;
  TVerifier verifier_;
  std::atomic<std::int64_t> totalBytes_{0};
  std::atomic<std::uint8_t> status_{kStatusNotFinished};

  // The client of the running fetch, so that a stop request can abort it.
  std::mutex clientMutex_;
  THttpClient* client_ = nullptr;
};

}  // namespace vlmr
