#include "net/ZipUnpack.h"

#include <zip.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <system_error>
#include <vector>

#include "base/Text.h"

namespace vlmr {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kTypeMask = 0170000;
constexpr std::uint32_t kTypeFile = 0100000;
constexpr std::uint32_t kTypeDir = 0040000;
constexpr std::uint32_t kDosDirectory = 0x10;
constexpr std::uint32_t kDosReadOnly = 0x01;
constexpr std::size_t kChunk = 64 * 1024;

struct TEntry {
  zip_uint64_t index = 0;
  std::string path;  // UTF-8, "/"-separated, relative, no empty, "." or ".." segment
  bool dir = false;
  std::optional<std::uint32_t> unixMode;
  bool dosReadOnly = false;
  std::optional<std::time_t> mtime;
  zip_uint64_t size = 0;
};

using TArchive = std::unique_ptr<zip_t, void (*)(zip_t*)>;

fs::path Utf8Path(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

// The entry's relative path, or nothing when the name would leave the target folder.
std::optional<std::string> SafeRelativePath(const std::string& raw, bool& dirName) {
  std::string name = IsValidUtf8(raw) ? raw : GbkToUtf8(raw);
  // In UTF-8 a 0x5C byte is always the backslash itself, never part of a character.
  for (char& c : name) {
    if (c == '\\')
      c = '/';
  }
  dirName = !name.empty() && name.back() == '/';
  if (name.empty() || name.front() == '/' || name.find(':') != std::string::npos) {
    return std::nullopt;
  }
  std::string path;
  std::size_t pos = 0;
  while (pos <= name.size()) {
    std::size_t end = name.find('/', pos);
    if (end == std::string::npos)
      end = name.size();
    std::string segment = name.substr(pos, end - pos);
    pos = end + 1;
    if (segment.empty() || segment == ".")
      continue;
    if (segment == "..")
      return std::nullopt;
    if (!path.empty())
      path += '/';
    path += segment;
  }
  return path;
}

// Reads the entry's data to its end, handing each chunk to `sink`; false when the data is
// damaged (libzip checks the CRC at the end) or longer than the entry says.
template <typename Sink>
bool ReadEntry(zip_t* za, const TEntry& entry, Sink&& sink) {
  std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(zip_fopen_index(za, entry.index, 0),
                                                         &zip_fclose);
  if (!file)
    return false;
  std::vector<char> chunk(kChunk);
  zip_uint64_t total = 0;
  while (true) {
    zip_int64_t n = zip_fread(file.get(), chunk.data(), chunk.size());
    if (n < 0)
      return false;
    if (n == 0)
      break;
    total += static_cast<zip_uint64_t>(n);
    if (total > entry.size)
      return false;
    if (!sink(chunk.data(), static_cast<std::size_t>(n)))
      return false;
  }
  return total == entry.size;
}

bool IsInside(const fs::path& root, const fs::path& p) {
  std::error_code ec;
  fs::path real = fs::canonical(p, ec);
  if (ec)
    return false;
  fs::path rel = real.lexically_relative(root);
  return !rel.empty() && *rel.begin() != "..";
}

void ApplyAttributes(const fs::path& target, const TEntry& entry) {
  std::error_code ec;
  if (entry.mtime) {
    auto sys = std::chrono::system_clock::from_time_t(*entry.mtime);
    fs::last_write_time(target, std::chrono::file_clock::from_sys(sys), ec);
  }
  if (entry.unixMode && (*entry.unixMode & 0777) != 0) {
    // The owner keeps read and write access, so that a later update can replace the file.
    auto perms = fs::perms(*entry.unixMode & 0777) | fs::perms::owner_read | fs::perms::owner_write;
    fs::permissions(target, perms, fs::perm_options::replace, ec);
  } else if (entry.dosReadOnly) {
    fs::permissions(target,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove, ec);
  }
}

bool WriteEntry(zip_t* za, const TEntry& entry, const fs::path& root) {
  fs::path target = root / Utf8Path(entry.path);
  std::error_code ec;
  fs::create_directories(target.parent_path(), ec);
  if (ec || !IsInside(root, target.parent_path()))
    return false;
  // Written beside the target and renamed over it: a failed write leaves the old file.
  fs::path temp = target;
  temp += ".unzip-part";
  fs::remove(temp, ec);
  bool ok;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    ok = out.is_open() && ReadEntry(za, entry, [&](const char* data, std::size_t n) {
           out.write(data, static_cast<std::streamsize>(n));
           return static_cast<bool>(out);
         });
    out.close();
    ok = ok && !out.fail();
  }
  if (ok) {
    fs::rename(temp, target, ec);
    ok = !ec;
  }
  if (!ok) {
    fs::remove(temp, ec);
    return false;
  }
  ApplyAttributes(target, entry);
  return true;
}

}  // namespace

TUnpackResult UnpackZip(const std::string& archivePath, const std::string& folder) {
  int error = 0;
  TArchive za(zip_open(archivePath.c_str(), ZIP_RDONLY, &error), &zip_discard);
  if (!za)
    return TUnpackResult::CannotOpen;

  zip_int64_t count = zip_get_num_entries(za.get(), 0);
  if (count < 0)
    return TUnpackResult::CannotOpen;

  // Check every name and kind first.
  std::vector<TEntry> entries;
  std::set<std::string> files, dirs;
  zip_uint64_t totalSize = 0;
  for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
    const char* raw = zip_get_name(za.get(), i, ZIP_FL_ENC_RAW);
    if (!raw)
      return TUnpackResult::Damaged;
    TEntry entry;
    entry.index = i;
    std::optional<std::string> path = SafeRelativePath(raw, entry.dir);
    if (!path)
      return TUnpackResult::Refused;
    entry.path = *path;

    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(za.get(), i, 0, &opsys, &attributes) == 0) {
      if (opsys == ZIP_OPSYS_UNIX) {
        std::uint32_t mode = attributes >> 16;
        std::uint32_t type = mode & kTypeMask;
        if (type == kTypeDir) {
          entry.dir = true;
        } else if (type != 0 && type != kTypeFile) {
          return TUnpackResult::Refused;  // symbolic link, device, pipe, socket
        }
        entry.unixMode = mode;
      } else {
        if (attributes & kDosDirectory)
          entry.dir = true;
        entry.dosReadOnly = (attributes & kDosReadOnly) != 0;
      }
    }

    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(za.get(), i, 0, &st) != 0)
      return TUnpackResult::Damaged;
    if (st.valid & ZIP_STAT_MTIME)
      entry.mtime = st.mtime;
    if (!entry.dir) {
      if (!(st.valid & ZIP_STAT_SIZE))
        return TUnpackResult::Damaged;
      entry.size = st.size;
      totalSize += st.size;
      if (st.size > kMaxUnpackedBytes || totalSize > kMaxUnpackedBytes) {
        return TUnpackResult::Damaged;
      }
    }
    if (entry.path.empty()) {
      if (!entry.dir)
        return TUnpackResult::Refused;
      continue;  // the target folder itself
    }
    (entry.dir ? dirs : files).insert(entry.path);
    for (std::size_t slash = entry.path.find('/'); slash != std::string::npos;
         slash = entry.path.find('/', slash + 1)) {
      dirs.insert(entry.path.substr(0, slash));
    }
    entries.push_back(std::move(entry));
  }
  for (const std::string& f : files) {
    if (dirs.count(f))
      return TUnpackResult::Refused;  // both a file and a folder
  }

  // Then every entry's data, so that a damaged archive writes nothing either.
  for (const TEntry& entry : entries) {
    if (!entry.dir && !ReadEntry(za.get(), entry, [](const char*, std::size_t) { return true; })) {
      return TUnpackResult::Damaged;
    }
  }

  std::error_code ec;
  fs::path root = fs::path(folder);
  fs::create_directories(root, ec);
  root = fs::canonical(root, ec);
  if (ec)
    return TUnpackResult::WriteFailed;
  for (const TEntry& entry : entries) {
    if (entry.dir) {
      fs::path target = root / Utf8Path(entry.path);
      fs::create_directories(target, ec);
      if (ec || !IsInside(root, target))
        return TUnpackResult::WriteFailed;
    } else if (!WriteEntry(za.get(), entry, root)) {
      return TUnpackResult::WriteFailed;
    }
  }
  return TUnpackResult::Ok;
}

}  // namespace vlmr
