#include "net/DownIdHttp.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/Text.h"
#include "net/FileCrc32.h"
#include "net/ZipUnpack.h"

namespace vlmr {
namespace {

namespace fs = std::filesystem;

// Written beside the target and renamed over it, so that a failed write keeps the old file.
bool WriteWholeFile(const std::string& path, const std::string& data) {
  std::string temp = path + ".part";
  std::error_code ec;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out.is_open())
      return false;
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    if (out.fail()) {
      fs::remove(temp, ec);
      return false;
    }
  }
  fs::rename(temp, path, ec);
  if (ec) {
    fs::remove(temp, ec);
    return false;
  }
  return true;
}

}  // namespace

TDownIdHttp::TDownIdHttp(TWindowHandle window, std::string url, std::string savePath,
                         std::uint32_t messageNo, std::uint32_t expectedCrc, std::uint8_t kind,
                         TOnDone onDone)
    : window_(std::move(window)),
      url_(std::move(url)),
      savePath_(std::move(savePath)),
      messageNo_(messageNo),
      expectedCrc_(expectedCrc),
      kind_(kind),
      settings_(THttpSettings::Full()) {
  settings_.followRedirects = true;
  settings_.maxBodyBytes = kMaxDownloadBytes;
  if (onDone) {
    SetOnTerminate([handler = std::move(onDone)](TWorkerThread& self) {
      handler(static_cast<TDownIdHttp&>(self));
    });
  }
}

TDownIdHttp* TDownIdHttp::Launch(TWindowHandle window, std::string url, std::string savePath,
                                 std::uint32_t messageNo, std::uint32_t expectedCrc,
                                 std::uint8_t kind, TOnDone onDone, TVerifier verifier) {
  auto* thread = new TDownIdHttp(std::move(window), std::move(url), std::move(savePath), messageNo,
                                 expectedCrc, kind, std::move(onDone));
  thread->SetVerifier(std::move(verifier));
  thread->Start();
  return thread;
}

bool TDownIdHttp::IsDownloadUrl(const std::string& url) {
  std::string lower = GbkLower(url);
  return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
}

void TDownIdHttp::OnStopRequested() {
  std::lock_guard lock(clientMutex_);
  if (client_)
    client_->Abort();
}

void TDownIdHttp::OnWorkBegin(std::int64_t expected) {
  if (!Terminated())
    totalBytes_.store(expected, std::memory_order_release);
}

void TDownIdHttp::OnWork(std::int64_t received) {
  std::int64_t total = TotalBytes();
  if (Terminated() || !window_ || total <= 0)
    return;
  auto percent = std::llround(static_cast<double>(received) * 100.0 / static_cast<double>(total));
  window_->Post(messageNo_, 2, static_cast<std::intptr_t>(percent));
}

void TDownIdHttp::Execute() {
  status_.store(kStatusNotFinished, std::memory_order_release);
  Download();
}

void TDownIdHttp::Download() {
  std::string body;
  {
    THttpClient client(settings_);
    client.SetOnWorkBegin([this](std::int64_t expected) { OnWorkBegin(expected); });
    client.SetOnWork([this](std::int64_t received) { OnWork(received); });
    client.SetStopQuery([this] { return Terminated(); });
    struct TRegistration {
      TDownIdHttp& owner;
      explicit TRegistration(TDownIdHttp& o, THttpClient& c) : owner(o) {
        std::lock_guard lock(owner.clientMutex_);
        owner.client_ = &c;
      }
      ~TRegistration() {
        std::lock_guard lock(owner.clientMutex_);
        owner.client_ = nullptr;
      }
    } registration(*this, client);

    if (!IsDownloadUrl(url_))
      return;
    if (!client.Get(url_, body))
      return;
  }
  if (CheckStop())
    return;

  if (!WriteWholeFile(savePath_, body))
    return;
  std::string().swap(body);

  if ((expectedCrc_ != 0 && FileCrc32(savePath_) != expectedCrc_) ||
      (verifier_ && !verifier_(savePath_))) {
    status_.store(kStatusBadCrc, std::memory_order_release);
    return;
  }
  if (CheckStop())
    return;

  if (kind_ == kKindUnpack) {
    fs::path folder = fs::path(savePath_).parent_path();
    if (folder.empty())
      folder = ".";
    if (UnpackZip(savePath_, folder.string()) != TUnpackResult::Ok)
      return;
    std::error_code ec;
    fs::remove(savePath_, ec);
  }
  if (CheckStop())
    return;
  status_.store(kStatusDone, std::memory_order_release);
}

}  // namespace vlmr
