#include "export/CsvWriter.h"

#include "base/Text.h"
#include "export/ExportError.h"
#include "platform/FileIo.h"

namespace vlmr {

void AppendCsvCell(std::string& out, std::string_view utf8) {
  if (utf8.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += utf8;
    return;
  }
  out += '"';
  for (char c : utf8) {
    if (c == '"') {
      out += '"';
    }
    out += c;
  }
  out += '"';
}

TCsvWriter::TCsvWriter(int fd) : fd_(fd) {
  buffer_.reserve(kBufferBytes + 4096);
  buffer_ += kUtf8ByteOrderMark;
}

void TCsvWriter::AddRow(TCells cellsGbk) {
  for (std::size_t c = 0; c < cellsGbk.size(); ++c) {
    if (c > 0) {
      buffer_ += ',';
    }
    AppendCsvCell(buffer_, GbkToUtf8(cellsGbk[c]));
  }
  buffer_ += "\r\n";
  if (buffer_.size() >= kBufferBytes) {
    Flush();
  }
}

void TCsvWriter::Flush() {
  if (!WriteToFile(fd_, buffer_)) {
    throw EExportError("cannot write the CSV file");
  }
  buffer_.clear();
}

}  // namespace vlmr
