// A fresh folder under the system's temporary folder, removed with everything in it when the
// guard goes.
#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

namespace vlmr::test {

class TTempFolder {
 public:
  TTempFolder() {
    static std::atomic<unsigned> counter{0};
    std::random_device entropy;
    auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      auto candidate = base / ("vlmr-test-" + std::to_string(entropy()) + "-" +
                               std::to_string(counter.fetch_add(1)));
      std::error_code ec;
      if (std::filesystem::create_directory(candidate, ec)) {
        path_ = candidate;
        return;
      }
    }
  }
  ~TTempFolder() {
    std::error_code ec;
    if (!path_.empty())
      std::filesystem::remove_all(path_, ec);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The native path of a name inside the folder.
  std::string File(const std::string& name) const { return (path_ / name).string(); }

  // Whole-file helpers for fixtures and checks.
  static std::string Read(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void Write(const std::filesystem::path& p, const std::string& data) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
  }

 private:
  std::filesystem::path path_;
};

}  // namespace vlmr::test
