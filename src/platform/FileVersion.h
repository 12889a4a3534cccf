// The fixed file version of a Windows executable's version resource, read from the PE file on
// any platform.
#pragma once

#include <cstddef>
#include <string>

namespace vlmr {

// "%d.%d.%d.%d" of the four 16-bit parts of the fixed file version; "1.0.0.0" for a missing
// file, a file that is not PE, a PE file without a version resource, or any read error.
std::string GetFileVersionText(const std::string& path);

// The same from bytes in memory (the file reader and the fuzzer use it).
std::string FileVersionFromBytes(const unsigned char* data, std::size_t size);

}  // namespace vlmr
