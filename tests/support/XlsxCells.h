// A small reader of the cells of an .xlsx file's first sheet (xl/worksheets/sheet1.xml, inline
// or shared strings), over libzip and pugixml: for the fuzzer, which cannot start Python for
// every input. Texts come back unescaped (_xHHHH_) as spreadsheet programs show them.
#pragma once

#include <zip.h>

#include <cctype>
#include <map>
#include <pugixml.hpp>
#include <string>
#include <utility>
#include <vector>

namespace vlmr::test {

struct TXlsxCells {
  std::string error;                                 // empty when the sheet was read
  std::map<std::pair<int, int>, std::string> cells;  // (row, column) from 0 -> UTF-8 text
};

inline std::string ReadZipEntry(zip_t* archive, const char* name, bool& found) {
  std::string data;
  found = false;
  zip_stat_t st;
  if (zip_stat(archive, name, 0, &st) != 0)
    return data;
  zip_file_t* file = zip_fopen(archive, name, 0);
  if (!file)
    return data;
  data.resize(st.size);
  found = zip_fread(file, data.data(), st.size) == static_cast<zip_int64_t>(st.size);
  zip_fclose(file);
  return data;
}

inline std::string UnescapeXlsx(const std::string& text) {
  auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '_' && i + 6 < text.size() && text[i + 1] == 'x' && hex(text[i + 2]) &&
        hex(text[i + 3]) && hex(text[i + 4]) && hex(text[i + 5]) && text[i + 6] == '_') {
      unsigned code = std::stoul(text.substr(i + 2, 4), nullptr, 16);
      if (code < 0x80) {
        out += static_cast<char>(code);
        i += 6;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

// "B12" -> (11, 1).
inline std::pair<int, int> CellPosition(const char* ref) {
  int col = 0;
  int row = 0;
  for (; *ref >= 'A' && *ref <= 'Z'; ++ref)
    col = col * 26 + (*ref - 'A' + 1);
  for (; *ref >= '0' && *ref <= '9'; ++ref)
    row = row * 10 + (*ref - '0');
  return {row - 1, col - 1};
}

inline std::string TextOf(const pugi::xml_node& is) {
  std::string text = is.child("t").text().get();
  for (pugi::xml_node run : is.children("r"))
    text += run.child("t").text().get();
  return UnescapeXlsx(text);
}

// Blanks-only texts are texts: keep them.
inline constexpr unsigned kParse = pugi::parse_default | pugi::parse_ws_pcdata;

inline TXlsxCells ReadXlsxCells(const std::string& path) {
  TXlsxCells result;
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (!archive) {
    result.error = "not a zip archive";
    return result;
  }
  bool found = false;
  const std::string sheetXml = ReadZipEntry(archive, "xl/worksheets/sheet1.xml", found);
  bool sharedFound = false;
  const std::string sharedXml = ReadZipEntry(archive, "xl/sharedStrings.xml", sharedFound);
  zip_close(archive);
  if (!found) {
    result.error = "no first sheet";
    return result;
  }
  std::vector<std::string> shared;
  pugi::xml_document sharedDoc;
  if (sharedFound) {
    if (!sharedDoc.load_buffer(sharedXml.data(), sharedXml.size(), kParse)) {
      result.error = "shared strings are not XML";
      return result;
    }
    for (pugi::xml_node si : sharedDoc.child("sst").children("si"))
      shared.push_back(TextOf(si));
  }
  pugi::xml_document doc;
  pugi::xml_parse_result parsed = doc.load_buffer(sheetXml.data(), sheetXml.size(), kParse);
  if (!parsed) {
    result.error = std::string("the sheet is not XML: ") + parsed.description();
    return result;
  }
  for (pugi::xml_node row : doc.child("worksheet").child("sheetData").children("row")) {
    for (pugi::xml_node c : row.children("c")) {
      std::string type = c.attribute("t").value();
      std::string text;
      if (type == "inlineStr") {
        text = TextOf(c.child("is"));
      } else if (type == "s") {
        std::size_t index = c.child("v").text().as_uint();
        text = index < shared.size() ? shared[index] : std::string();
      } else {
        result.error = "a cell that is not text: " + type;
        return result;
      }
      if (!result.cells.emplace(CellPosition(c.attribute("r").value()), text).second) {
        result.error = "a cell written twice";
        return result;
      }
    }
  }
  return result;
}

}  // namespace vlmr::test
