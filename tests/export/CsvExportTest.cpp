// The UTF-8 CSV export: byte-order mark, RFC 4180 quoting, the spreadsheet's cells.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "export/CsvWriter.h"
#include "export/ExportFile.h"
#include "export/ExportTestRows.h"
#include "support/TempFolder.h"

namespace vlmr::test {
namespace {

TEST(CsvCell, IsQuotedOnlyWhenItHoldsACommaAQuoteOrALineBreak) {
  struct {
    const char* cell;
    const char* written;
  } cases[] = {
      {"plain", "plain"},
      {"", ""},
      {"广州 天河", "广州 天河"},
      {"13800000001, 13800000002", "\"13800000001, 13800000002\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"\"", "\"\"\"\""},
      {"a\r\nb", "\"a\r\nb\""},
      {"a\nb", "\"a\nb\""},
      {"a\rb", "\"a\rb\""},
      {" lead and trail ", " lead and trail "},
      {"tab\there", "tab\there"},
  };
  for (const auto& c : cases) {
    std::string out;
    AppendCsvCell(out, c.cell);
    EXPECT_EQ(out, c.written) << c.cell;
  }
}

TEST(CsvExport, WritesAByteOrderMarkAndTheSpreadsheetsCellsAsUtf8Records) {
  struct {
    const char* what;
    std::vector<TCompanyRow> companies;
    const char* fields;
    std::string expected;  // after the byte-order mark
  } cases[] = {
      {"header, multi-values joined by \", \" and quoted, empty cells kept",
       {{"甲公司", {"13800000001", "13800000002"}, {"0123"}, {}, "http://a.cn/?q=\"x\",y"},
        {"乙", {"13900000001"}, {}, {}}},
       "cmqew",
       "公司名,手机,QQ,邮箱,网址\r\n"
       "甲公司,\"13800000001, 13800000002\",0123,,\"http://a.cn/?q=\"\"x\"\",y\"\r\n"
       "乙,13900000001,,,\r\n"},
      {"one multi field: a record per value as stored",
       {{"A", {"13800000001", "a\r\nb"}, {}, {}}},
       "m",
       "13800000001\r\n\"a\r\nb\"\r\n"},
      {"no field: the mark alone", {{"A", {"1"}, {}, {}}}, "", ""},
  };
  for (const auto& c : cases) {
    TTempFolder folder;
    const std::string file = folder.File("out.csv");
    TTempFolder::Write(file, "an older export");
    ASSERT_TRUE(
        WriteExport(Companies(c.companies), file, Fields(c.fields), TExportFormat::Csv, "k"))
        << c.what;
    EXPECT_EQ(TTempFolder::Read(file), std::string(kUtf8ByteOrderMark) + c.expected) << c.what;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1) << c.what;
  }
}

}  // namespace
}  // namespace vlmr::test
