// The XLSX export, read back by an independent reader (openpyxl): rows and cells equal the
// records, every number stays text, Chinese survives, the header is bold and frozen with an
// autofilter, widths fit, the sheet is named after the keyword; too many rows are refused before
// a file is made.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "export/ExportFile.h"
#include "export/ExportTestRows.h"
#include "export/XlsxWriter.h"
#include "support/TempFolder.h"
#include "support/XlsxReader.h"

namespace vlmr::test {
namespace {

using TRows = std::vector<std::vector<std::string>>;

TXlsxSheet Export(const std::vector<TCompanyRow>& companies, const char* fields,
                  const char* keyword = "广州 电子") {
  TTempFolder folder;
  const std::string file = folder.File("out.xlsx");
  EXPECT_TRUE(
      WriteExport(Companies(companies), file, Fields(fields), TExportFormat::Xlsx, G(keyword)));
  TXlsxSheet sheet = ReadXlsx(file);
  EXPECT_EQ(sheet.error, "");
  EXPECT_EQ(sheet.sheets, 1);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1)
      << "no temporary file is left beside it";
  return sheet;
}

TEST(XlsxExport, HoldsTheRecordsAsTextUnderABoldFrozenFilteredHeader) {
  const std::string longAddress(70, 'x');
  TXlsxSheet sheet = Export(
      {
          {"广州市天河区甲乙电子有限公司",
           {"13800000001", "13800000002"},
           {"0123456"},
           {"sales@a.cn"},
           "http://a.cn/contact",
           ""},
          {"乙公司", {"13900000001"}, {}, {}, "", ""},
          {"", {}, {}, {}, "", ""},  // every cell empty: no row
          {"丙", {"020"}, {"10001"}, {}, "", longAddress.c_str()},
      },
      "cmqeaw");
  const TRows expected = {
      {"公司名", "手机", "QQ", "邮箱", "地址", "网址"},
      {"广州市天河区甲乙电子有限公司", "13800000001, 13800000002", "0123456", "sales@a.cn", "",
       "http://a.cn/contact"},
      {"乙公司", "13900000001", "", "", "", ""},
      {"丙", "020", "10001", "", longAddress, ""},
  };
  EXPECT_EQ(sheet.Texts(), expected);
  for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
    for (const TXlsxCell& cell : sheet.rows[r]) {
      EXPECT_TRUE(cell.kind == 's' || (cell.kind == '-' && cell.value.empty()))
          << "row " << r << ": " << cell.kind << " " << cell.value;
      EXPECT_EQ(cell.bold, r == 0 && cell.kind == 's') << "row " << r << ": " << cell.value;
    }
  }
  EXPECT_EQ(sheet.title, "广州 电子");
  EXPECT_EQ(sheet.freeze, "A2");
  EXPECT_EQ(sheet.filter, "A1:F4");
  // Fitted to the widest cell (a CJK character counting two), with room, and capped.
  ASSERT_EQ(sheet.widths.size(), 6u);
  EXPECT_GE(sheet.widths[1], 28);  // 14 CJK characters
  EXPECT_LT(sheet.widths[1], 34);
  EXPECT_GE(sheet.widths[2], 24);  // "13800000001, 13800000002"
  EXPECT_LT(sheet.widths[2], 30);
  EXPECT_LE(sheet.widths[5], TXlsxWriter::kMaxColumnWidth + 1);  // 70 characters, capped
  EXPECT_GE(sheet.widths[5], TXlsxWriter::kMaxColumnWidth - 1);
  EXPECT_GE(sheet.widths[3], TXlsxWriter::kMinColumnWidth);
}

TEST(XlsxExport, FollowsTheHeaderRuleOfTheExport) {
  struct {
    const char* what;
    std::vector<TCompanyRow> companies;
    const char* fields;
    TRows rows;
    const char* freeze;
    const char* filter;
  } cases[] = {
      {"one multi field: a row per value as stored, no header",
       {{"A", {"13800000001", " 13800000002"}, {}, {}}, {"B", {}, {"1"}, {}}},
       "m",
       {{"13800000001"}, {" 13800000002"}},
       "-",
       "-"},
      {"one single field: cleaned, an empty one gives no row",
       {{"A", {"1"}, {}, {}, " http://a.cn "}, {"B", {"1"}, {}, {}, ""}},
       "w",
       {{"http://a.cn"}},
       "-",
       "-"},
      {"an empty first cell keeps the next value in its column",
       {{"N", {"1"}, {}, {"x@y.cn"}}},
       "qe",
       {{"QQ", "邮箱"}, {"", "x@y.cn"}},
       "A2",
       "A1:B2"},
      {"no field: an empty sheet", {{"N", {"1"}, {}, {}}}, "", {}, "-", "-"},
  };
  for (const auto& c : cases) {
    TXlsxSheet sheet = Export(c.companies, c.fields);
    EXPECT_EQ(sheet.Texts(), c.rows) << c.what;
    EXPECT_EQ(sheet.freeze, c.freeze) << c.what;
    EXPECT_EQ(sheet.filter, c.filter) << c.what;
  }
}

// Texts a reader could misread: control characters, what looks like an XML escape, markup,
// a text longer than a cell holds.
TEST(XlsxExport, KeepsEveryTextAsWritten) {
  const std::string tooLong = std::string(40000, 'a');
  const std::vector<std::string> values = {
      "a\rb",  "tab\there",  "bell\x07", "_x0041_", "_X0041_ _x00e9_", "<b>&amp;</b>\"'",
      "  x  ", "广州\n天河",
  };
  std::vector<TCompanyRow> companies(1);
  companies[0].name = "N";
  for (const std::string& v : values)
    companies[0].mobiles.push_back(v.c_str());
  companies[0].mobiles.push_back(tooLong.c_str());
  TXlsxSheet sheet = Export(companies, "m");
  ASSERT_EQ(sheet.rows.size(), values.size() + 1);
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(sheet.rows[i][0].value, values[i]) << i;
  }
  EXPECT_EQ(sheet.rows.back()[0].value, tooLong.substr(0, TXlsxWriter::kMaxCellChars));
}

TEST(XlsxExport, NamesTheSheetAfterTheKeywordWithinTheRules) {
  struct {
    const char* keyword;
    const char* expected;
  } cases[] = {
      {"广州 电子公司", "广州 电子公司"},
      {"a[b]c:d*e?f/g\\h", "a_b_c_d_e_f_g_h"},
      {"'quoted'", "_quoted_"},
      {"", "Sheet1"},
      {"一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一二三",
       "一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TXlsxWriter::SheetName(G(c.keyword)), c.expected) << c.keyword;
  }
  // The reader agrees, for the longest and the replaced.
  EXPECT_EQ(Export({{"N", {"1"}, {}, {}}}, "cm", cases[4].keyword).title, cases[4].expected);
  EXPECT_EQ(Export({{"N", {"1"}, {}, {}}}, "cm", cases[1].keyword).title, cases[1].expected);
}

TEST(XlsxExport, RefusesMoreRowsThanASheetHoldsBeforeMakingAFile) {
  // 1 048 576 mobile numbers, one row each, fit; one more does not. The same record over and
  // over: counted without building a row.
  auto company = Companies({{"A", {"13800000001"}, {}, {}}})[0];
  std::vector<const TComPanyInfo*> companies(TXlsxWriter::kMaxRows, company.get());
  TExportRows rows(Fields("m"), kSheetFieldSeparator, kSheetValueSeparator);
  EXPECT_FALSE(rows.RowsExceed(companies, TXlsxWriter::kMaxRows));
  companies.push_back(company.get());

  TTempFolder folder;
  const std::string file = folder.File("big.xlsx");
  TTempFolder::Write(file, "old");
  EXPECT_THROW(WriteExport(companies, file, Fields("m"), TExportFormat::Xlsx, "k"), EExportError);
  EXPECT_EQ(TTempFolder::Read(file), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

TEST(ExportRows, CountsRowsAsTheyWouldBeWritten) {
  auto companies = Companies({{"A", {"1", "2"}, {}, {}}, {"", {}, {}, {}}, {"C", {"3"}, {}, {}}});
  struct {
    const char* fields;
    std::size_t rows;  // the header included
  } cases[] = {{"m", 3}, {"c", 2}, {"cq", 3}, {"q", 0}, {"", 0}, {"cm", 3}};
  for (const auto& c : cases) {
    TExportRows rows(Fields(c.fields), kSheetFieldSeparator, kSheetValueSeparator);
    EXPECT_FALSE(rows.RowsExceed(companies, c.rows)) << c.fields;
    if (c.rows > 0) {
      EXPECT_TRUE(rows.RowsExceed(companies, c.rows - 1)) << c.fields;
    }
  }
}

}  // namespace
}  // namespace vlmr::test
