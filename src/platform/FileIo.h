// File helpers of the platform layer: whole-file reads with a cap, and file replacement that
// never leaves a half-written file behind.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vlmr {

// Creates the folder and any missing parents, new ones with `mode`. True when `path` is a
// folder afterwards.
bool MakeFolders(const std::string& path, mode_t mode);

enum class TFileRead { Read, Missing, Failed };

// Reads the whole regular file into `out`. Missing when there is no such file; Failed when it
// cannot be read, is not a regular file, or is larger than `cap` bytes.
TFileRead ReadWholeFile(const std::string& path, std::size_t cap, std::string& out);

// Replaces the file at `path` (through a link, its target) with `content`: written to a new
// file in the same folder, flushed, then renamed over the old one, so that a failure leaves
// the old file, or no file, exactly as it was. The new file gets `mode` when it is not
// negative, else the old file's mode, else the default for new files. The temporary file's name
// is short whatever the target's (".vlmr-tmp-<pid>-<n>"); temporary files that writes of
// processes now gone left in the folder are removed after a successful write.
bool ReplaceFile(const std::string& path, std::string_view content, int mode = -1);

// ReplaceFile for content too large to hold: `write` fills the new, empty temporary file, through
// the open descriptor `fd` or by reopening `tempPath` (in the same folder as `path`), and returns
// whether it succeeded. Flushed and renamed over the old file only then; on failure, or when
// `write` raises (the exception goes on to the caller), the temporary file is removed.
bool ReplaceFileBy(const std::string& path,
                   const std::function<bool(int fd, const std::string& tempPath)>& write,
                   int mode = -1);

// Writes all of `content` to `fd`; false on an error.
bool WriteToFile(int fd, std::string_view content);

}  // namespace vlmr
