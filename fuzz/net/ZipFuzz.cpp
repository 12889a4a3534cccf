// Arbitrary bytes as a ZIP archive unpacked into a fresh folder: whatever the archive says,
// nothing may appear beside that folder, and nothing inside it may be a link. The folders live
// in one temporary folder per process, removed when the process ends.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "net/ZipUnpack.h"

namespace fs = std::filesystem;

namespace {

struct TFolders {
  fs::path root;     // holds the archive and the sandbox
  fs::path sandbox;  // must hold only "out" afterwards
  fs::path out;      // the target folder
  fs::path archive;

  TFolders() {
    root = fs::temp_directory_path() / ("vlmr-fuzz-zip-" + std::to_string(::getpid()));
    sandbox = root / "sandbox";
    out = sandbox / "out";
    archive = root / "in.zip";
    fs::remove_all(root);
    fs::create_directories(sandbox);
  }
  ~TFolders() {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }
};

[[noreturn]] void Fail(const char* what, const fs::path& p) {
  std::fprintf(stderr, "fuzz_zip: %s: %s\n", what, p.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TFolders folders;
  {
    std::ofstream out(folders.archive, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  fs::create_directories(folders.out);

  vlmr::UnpackZip(folders.archive.string(), folders.out.string());

  for (const auto& e : fs::directory_iterator(folders.sandbox)) {
    if (e.path() != folders.out)
      Fail("written beside the target folder", e.path());
  }
  for (const auto& e : fs::directory_iterator(folders.root)) {
    if (e.path() != folders.sandbox && e.path() != folders.archive) {
      Fail("written beside the sandbox", e.path());
    }
  }
  if (fs::is_symlink(folders.out))
    Fail("the target became a link", folders.out);
  for (const auto& e : fs::recursive_directory_iterator(folders.out)) {
    if (e.is_symlink())
      Fail("a link was written", e.path());
    if (!e.is_regular_file() && !e.is_directory())
      Fail("a special file was written", e.path());
  }
  fs::remove_all(folders.out);
  return 0;
}
