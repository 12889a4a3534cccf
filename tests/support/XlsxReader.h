// Reads an .xlsx workbook with an independent reader: Python's openpyxl (Debian's
// python3-openpyxl, run through /usr/bin/python3) driven by tests/support/xlsx_dump.py.
#pragma once

#include <stdio.h>

#include <array>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace vlmr::test {

struct TXlsxCell {
  char kind = '-';    // '-' empty, 's' text, 'n' number, 'o' anything else
  std::string value;  // UTF-8 text, or the number as Python prints it
  bool bold = false;
  bool operator==(const TXlsxCell&) const = default;
};

struct TXlsxSheet {
  std::string error;  // the reader's complaint; empty when the file was read
  int sheets = 0;
  std::string title;
  std::string freeze;  // the top-left cell of the scrolling pane, "-" for none
  std::string filter;  // the autofilter's range, "-" for none
  std::map<int, double> widths;
  std::vector<std::vector<TXlsxCell>> rows;

  // The texts of the rows, empty cells as "".
  std::vector<std::vector<std::string>> Texts() const {
    std::vector<std::vector<std::string>> texts;
    for (const auto& row : rows) {
      auto& out = texts.emplace_back();
      for (const auto& c : row)
        out.push_back(c.value);
    }
    return texts;
  }
};

inline std::string FromHex(const std::string& hex) {
  if (hex == "''")
    return "";
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

inline TXlsxSheet ReadXlsx(const std::string& path) {
  TXlsxSheet sheet;
  const std::string command =
      "/usr/bin/python3 '" VLMR_TEST_SUPPORT_DIR "/xlsx_dump.py' '" + path + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    sheet.error = "cannot run the reader";
    return sheet;
  }
  std::string output;
  std::array<char, 65536> buffer;
  while (std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe))
    output.append(buffer.data(), n);
  if (pclose(pipe) != 0) {
    sheet.error = output.empty() ? "the reader failed" : output;
    return sheet;
  }
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string key;
    words >> key;
    if (key == "sheets") {
      words >> sheet.sheets;
    } else if (key == "title") {
      std::string hex;
      words >> hex;
      sheet.title = FromHex(hex);
    } else if (key == "freeze") {
      words >> sheet.freeze;
    } else if (key == "filter") {
      words >> sheet.filter;
    } else if (key == "width") {
      int column = 0;
      double width = 0;
      words >> column >> width;
      sheet.widths[column] = width;
    } else if (key == "row") {
      auto& row = sheet.rows.emplace_back();
      std::string word;
      while (words >> word) {
        TXlsxCell c;
        if (word.back() == '*') {
          c.bold = true;
          word.pop_back();
        }
        c.kind = word[0];
        if (word.size() > 2)
          c.value = c.kind == 'n' ? word.substr(2) : FromHex(word.substr(2));
        row.push_back(std::move(c));
      }
    } else {
      sheet.error = "unexpected reader output: " + line;
    }
  }
  return sheet;
}

}  // namespace vlmr::test
