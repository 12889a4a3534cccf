// An independent reader of the bare BIFF worksheet streams the export writes, for tests and
// fuzzers: checks the record framing and gives the records and the cells they fill.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vlmr::test {

struct TBiffRecord {
  std::uint16_t type = 0;
  std::uint16_t row = 0;
  std::uint16_t col = 0;
  std::uint16_t format = 0;
  std::string text;  // LABEL only
};

struct TBiffSheet {
  std::vector<TBiffRecord> records;
  // (row, col) -> text; a BLANK gives an empty text.
  std::map<std::pair<int, int>, std::string> cells;
  std::string error;  // empty when the stream is well formed
};

inline TBiffSheet ReadBiff(std::string_view bytes) {
  TBiffSheet sheet;
  auto u16 = [&](std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      (static_cast<unsigned char>(bytes[at + 1]) << 8));
  };
  std::size_t pos = 0;
  bool ended = false;
  while (pos < bytes.size()) {
    if (ended) {
      sheet.error = "data after EOF";
      return sheet;
    }
    if (bytes.size() - pos < 4) {
      sheet.error = "truncated record header";
      return sheet;
    }
    TBiffRecord record;
    record.type = u16(pos);
    std::uint16_t length = u16(pos + 2);
    pos += 4;
    if (bytes.size() - pos < length) {
      sheet.error = "truncated record data";
      return sheet;
    }
    std::string_view data = bytes.substr(pos, length);
    pos += length;
    auto d16 = [&](std::size_t at) {
      return static_cast<std::uint16_t>(static_cast<unsigned char>(data[at]) |
                                        (static_cast<unsigned char>(data[at + 1]) << 8));
    };
    switch (record.type) {
      case 0x0809:
        if (!sheet.records.empty() || length != 8 || d16(0) != 0 || d16(2) != 0x10 || d16(4) != 0 ||
            d16(6) != 0) {
          sheet.error = "bad BOF";
          return sheet;
        }
        break;
      case 0x0204:
        if (length < 8 || d16(6) != length - 8u || d16(4) != 0) {
          sheet.error = "bad LABEL";
          return sheet;
        }
        record.row = d16(0);
        record.col = d16(2);
        record.text = std::string(data.substr(8));
        break;
      case 0x0201:
        if (length != 6 || d16(4) != 0x17) {
          sheet.error = "bad BLANK";
          return sheet;
        }
        record.row = d16(0);
        record.col = d16(2);
        break;
      case 0x000A:
        if (length != 0) {
          sheet.error = "bad EOF";
          return sheet;
        }
        ended = true;
        break;
      default:
        sheet.error = "unknown record";
        return sheet;
    }
    if (sheet.records.empty() && record.type != 0x0809) {
      sheet.error = "no BOF first";
      return sheet;
    }
    if (record.type == 0x0204 || record.type == 0x0201) {
      if (!sheet.cells.emplace(std::make_pair(record.row, record.col), record.text).second) {
        sheet.error = "cell written twice";
        return sheet;
      }
    }
    sheet.records.push_back(std::move(record));
  }
  if (!ended) {
    sheet.error = "no EOF";
  }
  return sheet;
}

}  // namespace vlmr::test
