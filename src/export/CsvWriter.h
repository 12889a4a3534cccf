// UTF-8 CSV for other tools and for spreadsheets in any locale: a byte-order mark, then one
// record per row, each ended by CR LF (RFC 4180). A cell holding a comma, a double quote, a CR
// or an LF is enclosed in double quotes with its quotes doubled; other cells go as they are.
// Cells arrive as GBK and are written as UTF-8.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace vlmr {

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Appends one cell (UTF-8), quoted where it has to be.
void AppendCsvCell(std::string& out, std::string_view utf8);

// Streams records into a file descriptor through a buffer.
class TCsvWriter {
 public:
  using TCells = std::span<const std::string>;

  // Starts with the byte-order mark. `fd` stays the caller's.
  explicit TCsvWriter(int fd);

  // Appends the record of `cellsGbk`; EExportError when the file cannot be written.
  void AddRow(TCells cellsGbk);
  // Writes what is buffered; EExportError on failure.
  void Flush();

 private:
  static constexpr std::size_t kBufferBytes = 1 << 20;

  int fd_;
  std::string buffer_;
};

}  // namespace vlmr
