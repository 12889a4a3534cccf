// The built-in BIFF writer: the records byte for byte, where every cell lands (read back by
// an independent reader), the limits of the format, and the file replaced only when whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/Text.h"
#include "export/DS2Excel.h"
#include "export/ExportError.h"
#include "support/BiffReader.h"
#include "support/TempFolder.h"

namespace vlmr {
namespace {

using TCells = std::map<std::pair<int, int>, std::string>;

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values)
    out += static_cast<char>(v);
  return out;
}

const std::string kBof = Bytes({0x09, 0x08, 0x08, 0x00, 0x00, 0x00, 0x10, 0x00, 0, 0, 0, 0});
const std::string kEof = Bytes({0x0A, 0x00, 0x00, 0x00});

std::string Label(int row, int col, const std::string& text) {
  auto n = static_cast<int>(text.size());
  return Bytes({0x04, 0x02, (8 + n) & 0xFF, (8 + n) >> 8, row & 0xFF, row >> 8, col & 0xFF,
                col >> 8, 0, 0, n & 0xFF, n >> 8}) +
         text;
}
std::string Blank(int row, int col) {
  return Bytes({0x01, 0x02, 0x06, 0x00, row & 0xFF, row >> 8, col & 0xFF, col >> 8, 0x17, 0x00});
}

TEST(DS2Excel, WritesTheRecordsByteForByte) {
  // The record examples: a LABEL "QQ" in row 0, column 2 and a BLANK in row 1, column 0.
  EXPECT_EQ(Label(0, 2, "QQ"), Bytes({0x04, 0x02, 0x0A, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                                      0x02, 0x00, 0x51, 0x51}));
  EXPECT_EQ(Blank(1, 0), Bytes({0x01, 0x02, 0x06, 0x00, 0x01, 0x00, 0x00, 0x00, 0x17, 0x00}));

  std::vector<std::string> lines = {"a|b|QQ", "|x"};
  EXPECT_EQ(TDS2Excel(lines).Build(true), kBof + Label(0, 0, "a") + Label(0, 1, "b") +
                                              Label(0, 2, "QQ") + Blank(1, 0) + Label(1, 1, "x") +
                                              Blank(1, 2) + kEof);
  std::vector<std::string> none;
  EXPECT_EQ(TDS2Excel(none).Build(true), kBof + kEof);
}

TEST(DS2Excel, PutsEveryCellWhereItBelongs) {
  const std::string company = Utf8ToGbk("公司名");
  const std::string mobile = Utf8ToGbk("手机");
  struct {
    const char* what;
    std::vector<std::string> lines;
    TCells cells;
  } cases[] = {
      {"header and one line",
       {company + "|" + mobile, "N|A, B"},
       {{{0, 0}, company}, {{0, 1}, mobile}, {{1, 0}, "N"}, {{1, 1}, "A, B"}}},
      {"an empty last cell is a BLANK; the next line starts a row",
       {"h1|h2", "a|", "b|c"},
       {{{0, 0}, "h1"}, {{0, 1}, "h2"}, {{1, 0}, "a"}, {{1, 1}, ""}, {{2, 0}, "b"}, {{2, 1}, "c"}}},
      {"an empty middle cell and a missing one are BLANKs",
       {"h1|h2|h3", "a||c", "d"},
       {{{0, 0}, "h1"},
        {{0, 1}, "h2"},
        {{0, 2}, "h3"},
        {{1, 0}, "a"},
        {{1, 1}, ""},
        {{1, 2}, "c"},
        {{2, 0}, "d"},
        {{2, 1}, ""},
        {{2, 2}, ""}}},
      {"a \"|\" inside a cell splits it; beyond the last column is dropped",
       {"h1|h2", "a|b|c|d"},
       {{{0, 0}, "h1"}, {{0, 1}, "h2"}, {{1, 0}, "a"}, {{1, 1}, "b"}}},
      {"an empty line takes no row",
       {"h1|h2", "", "a|b"},
       {{{0, 0}, "h1"}, {{0, 1}, "h2"}, {{1, 0}, "a"}, {{1, 1}, "b"}}},
      {"the header alone", {"h1|h2"}, {{{0, 0}, "h1"}, {{0, 1}, "h2"}}},
      {"an empty header cell is an empty LABEL", {"h1|"}, {{{0, 0}, "h1"}, {{0, 1}, ""}}},
      {"one field: the first value is the header, one column",
       {"13800000001", "13800000002", "13800000003"},
       {{{0, 0}, "13800000001"}, {{1, 0}, "13800000002"}, {{2, 0}, "13800000003"}}},
      {"a second byte 0x7C does not split its character",
       {"h1|h2", "\x96\x7C\xB6\xAB|x"},
       {{{0, 0}, "h1"}, {{0, 1}, "h2"}, {{1, 0}, "\x96\x7C\xB6\xAB"}, {{1, 1}, "x"}}},
  };
  for (const auto& c : cases) {
    test::TBiffSheet sheet = test::ReadBiff(TDS2Excel(c.lines).Build(true));
    EXPECT_EQ(sheet.error, "") << c.what;
    EXPECT_EQ(sheet.cells, c.cells) << c.what;
  }
}

TEST(DS2Excel, CutsAnOverlongCellAtACharacterBoundary) {
  const std::string gbk = "\xB9\xAB";  // one double-byte character
  struct {
    std::string cell;
    std::size_t kept;
  } cases[] = {
      {std::string(65527, 'a'), 65527},
      {std::string(65530, 'a'), 65527},
      {std::string(65526, 'a') + gbk + "zz", 65526},  // the character straddles the limit
      {std::string(65525, 'a') + gbk + "zz", 65527},
  };
  for (const auto& c : cases) {
    std::vector<std::string> lines = {"h", c.cell};
    test::TBiffSheet sheet = test::ReadBiff(TDS2Excel(lines).Build(true));
    ASSERT_EQ(sheet.error, "");
    EXPECT_EQ((sheet.cells[{1, 0}]), c.cell.substr(0, c.kept));
  }
}

TEST(DS2Excel, AddressesAtMost65536RowsAndRefusesMore) {
  test::TTempFolder folder;
  std::string file = folder.File("out.xls");
  test::TTempFolder::Write(file, "old workbook");

  std::vector<std::string> lines(65537, "x");
  EXPECT_THROW(TDS2Excel(lines).WriteFile(file, true), EExportError);
  EXPECT_EQ(test::TTempFolder::Read(file), "old workbook");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);

  lines.pop_back();
  lines.push_back("");  // an empty line takes no row
  TDS2Excel(lines).WriteFile(file, true);
  test::TBiffSheet sheet = test::ReadBiff(test::TTempFolder::Read(file));
  ASSERT_EQ(sheet.error, "");
  EXPECT_EQ(sheet.cells.size(), 65536u);
  EXPECT_EQ(sheet.records[sheet.records.size() - 2].row, 65535);
}

TEST(DS2Excel, FailsWhenTheFileCannotBeMade) {
  test::TTempFolder folder;
  std::vector<std::string> lines = {"a|b"};
  EXPECT_THROW(TDS2Excel(lines).WriteFile(folder.File("missing/out.xls"), true), EExportError);
}

}  // namespace
}  // namespace vlmr
