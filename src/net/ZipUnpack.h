// Unpacking a ZIP archive that came from the network into a folder. The whole archive is
// checked before anything is written: an entry that is absolute, names a drive, has a ".."
// segment (with "/" or "\" as separator), is a symbolic link or another special file, or
// whose data is damaged makes the archive refused and nothing is written.
//
// Entry names may be GBK or UTF-8: a name that is valid UTF-8 is used as it is, any other is
// read as GBK. Entry folders are recreated below the target folder, existing files are
// replaced, and the stored permissions and modification times are applied.
#pragma once

#include <cstdint>
#include <string>

namespace vlmr {

enum class TUnpackResult {
  Ok,
  CannotOpen,   // no such file, or not a ZIP archive
  Refused,      // an entry would leave the folder or is not a plain file or folder
  Damaged,      // an entry's data cannot be read back intact, or the archive is too large
  WriteFailed,  // a file or folder could not be written
};

// Upper bound on the unpacked size of one archive.
inline constexpr std::uint64_t kMaxUnpackedBytes = 1024ull * 1024 * 1024;

// `archivePath` and `folder` are native paths. The folder is created when missing.
TUnpackResult UnpackZip(const std::string& archivePath, const std::string& folder);

}  // namespace vlmr
