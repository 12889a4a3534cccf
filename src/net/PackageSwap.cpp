#include "net/PackageSwap.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>
#include <vector>

namespace vlmr {
namespace {

namespace fs = std::filesystem;

struct TEntry {
  char kind;  // 'o' file with an old copy, 'n' new file, 'd' new folder
  std::string rel;
};

struct TJournal {
  bool committed = false;
  std::vector<TEntry> entries;
};

bool WriteJournal(const fs::path& folder, const TJournal& journal) {
  fs::path target = folder / kJournalFile;
  fs::path temp = target;
  temp += ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out.is_open())
      return false;
    out << (journal.committed ? "done" : "swap") << "\n";
    for (const TEntry& e : journal.entries)
      out << e.kind << ' ' << e.rel << "\n";
    out << "end\n";
    out.close();
    if (out.fail())
      return false;
  }
  std::error_code ec;
  fs::rename(temp, target, ec);
  return !ec;
}

// Nothing when there is no journal; a journal without its last line counts as unreadable.
enum class TRead { None, Ok, Bad };
TRead ReadJournal(const fs::path& folder, TJournal& journal) {
  std::error_code ec;
  if (!fs::exists(folder / kJournalFile, ec))
    return TRead::None;
  std::ifstream in(folder / kJournalFile, std::ios::binary);
  std::string line;
  if (!in.is_open() || !std::getline(in, line) || (line != "swap" && line != "done"))
    return TRead::Bad;
  journal.committed = line == "done";
  bool ended = false;
  while (std::getline(in, line)) {
    if (line == "end") {
      ended = true;
      break;
    }
    if (line.size() < 3 || line[1] != ' ' || (line[0] != 'o' && line[0] != 'n' && line[0] != 'd'))
      return TRead::Bad;
    journal.entries.push_back({line[0], line.substr(2)});
  }
  return ended ? TRead::Ok : TRead::Bad;
}

void ClearAway(const fs::path& folder) {
  std::error_code ec;
  fs::remove_all(folder / kBackupFolder, ec);
  fs::remove_all(folder / kStagingFolder, ec);
  fs::remove(folder / kJournalFile, ec);
  fs::path part = folder / kJournalFile;
  part += ".part";
  fs::remove(part, ec);
}

// Puts every old file back and removes what the package added; true when all went.
bool RollBack(const fs::path& folder, const TJournal& journal) {
  bool ok = true;
  std::error_code ec;
  for (const TEntry& e : journal.entries) {
    fs::path target = folder / e.rel;
    fs::path kept = folder / kBackupFolder / e.rel;
    if (e.kind == 'o') {
      if (fs::exists(fs::symlink_status(kept, ec))) {
        fs::rename(kept, target, ec);
        ok = ok && !ec;
      }
    } else if (e.kind == 'n') {
      fs::remove(target, ec);
      ok = ok && !ec;
    }
  }
  // New folders, deepest first, when they are empty again.
  std::vector<std::string> folders;
  for (const TEntry& e : journal.entries) {
    if (e.kind == 'd')
      folders.push_back(e.rel);
  }
  std::sort(folders.begin(), folders.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  for (const std::string& rel : folders)
    fs::remove(folder / rel, ec);
  return ok;
}

// Keeps the old file at `kept` without moving it: a hard link, or a copy renamed into place.
bool KeepOld(const fs::path& target, const fs::path& kept) {
  std::error_code ec;
  fs::create_directories(kept.parent_path(), ec);
  fs::remove(kept, ec);
  fs::create_hard_link(target, kept, ec);
  if (!ec)
    return true;
  fs::path temp = kept;
  temp += ".part";
  fs::copy_file(target, temp, fs::copy_options::overwrite_existing, ec);
  if (ec)
    return false;
  fs::rename(temp, kept, ec);
  return !ec;
}

}  // namespace

TSwapResult InstallPackage(const TPackageSwap& swap) {
  const fs::path folder(swap.folder);
  const fs::path staging(swap.staging);
  int step = 0;
  auto before = [&] {
    if (swap.beforeStep)
      swap.beforeStep(step);
    ++step;
  };
  std::error_code ec;

  std::vector<std::string> files;
  for (auto it = fs::recursive_directory_iterator(staging, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_regular_file(ec))
      files.push_back(it->path().lexically_relative(staging).generic_string());
  }
  if (ec)
    return TSwapResult::RolledBack;
  std::sort(files.begin(), files.end());
  auto last = std::find(files.begin(), files.end(), swap.lastFile);
  if (last != files.end())
    std::rotate(last, last + 1, files.end());

  TJournal journal;
  std::set<std::string> newFolders;
  for (const std::string& rel : files) {
    for (fs::path p = fs::path(rel).parent_path(); !p.empty(); p = p.parent_path()) {
      if (!fs::exists(folder / p, ec))
        newFolders.insert(p.generic_string());
    }
  }
  for (const std::string& rel : newFolders)
    journal.entries.push_back({'d', rel});
  for (const std::string& rel : files) {
    bool old = fs::exists(fs::symlink_status(folder / rel, ec));
    journal.entries.push_back({old ? 'o' : 'n', rel});
  }

  before();
  fs::remove_all(folder / kBackupFolder, ec);
  if (!WriteJournal(folder, journal)) {
    ClearAway(folder);
    return TSwapResult::RolledBack;
  }
  bool ok = true;
  for (const TEntry& e : journal.entries) {
    if (e.kind == 'd')
      continue;
    fs::path target = folder / e.rel;
    if (e.kind == 'o') {
      before();
      if (!KeepOld(target, folder / kBackupFolder / e.rel)) {
        ok = false;
        break;
      }
    }
    before();
    fs::create_directories(target.parent_path(), ec);
    // One step: the name holds the old file or the new one, never nothing.
    fs::rename(staging / e.rel, target, ec);
    if (ec) {
      ok = false;
      break;
    }
  }
  if (ok) {
    before();
    journal.committed = true;
    ok = WriteJournal(folder, journal);
  }
  if (!ok) {
    before();
    if (!RollBack(folder, journal))
      return TSwapResult::Failed;
    ClearAway(folder);
    return TSwapResult::RolledBack;
  }
  before();
  ClearAway(folder);
  return TSwapResult::Installed;
}

TRecovery RecoverInterruptedInstall(const std::string& folderText) {
  const fs::path folder(folderText);
  TJournal journal;
  switch (ReadJournal(folder, journal)) {
    case TRead::None: {
      // A staging folder without a journal never touched the folder.
      std::error_code ec;
      fs::remove_all(folder / kStagingFolder, ec);
      fs::remove_all(folder / kBackupFolder, ec);
      return TRecovery::Nothing;
    }
    case TRead::Bad:
      return TRecovery::Failed;
    case TRead::Ok:
      break;
  }
  if (journal.committed) {
    ClearAway(folder);
    return TRecovery::Completed;
  }
  if (!RollBack(folder, journal))
    return TRecovery::Failed;
  ClearAway(folder);
  return TRecovery::RolledBack;
}

TInstallLock::TInstallLock(const std::string& folder, bool wait) {
  std::string path = (fs::path(folder) / ".update-lock").string();
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0)
    return;
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB));
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    ::close(fd);
    return;
  }
  fd_ = fd;
}

TInstallLock::~TInstallLock() {
  if (fd_ >= 0)
    ::close(fd_);
}

}  // namespace vlmr
