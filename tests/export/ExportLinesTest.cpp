// Export lines and the text file: cleaning, the header rule, one-field and zero-field modes,
// the separators of each format, GBK with CR LF and no byte-order mark.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/Text.h"
#include "export/ExportFile.h"
#include "export/ExportLines.h"
#include "export/ExportTestRows.h"
#include "support/TempFolder.h"
#include "support/TestText.h"

namespace vlmr {
namespace {

using test::Companies;
using test::Fields;
using test::G;
using test::TCompanyRow;

TEST(CleanSingleValue, TrimsAndDeletesLineBreaksAndTheFieldSeparator) {
  struct {
    const char* value;
    const char* separator;
    const char* expected;
  } cases[] = {
      {"  \t Acme \r\n", ",", "Acme"},
      {"http://a.com/x,y,z", ",", "http://a.com/xyz"},
      {"a\tb, c", "\t", "ab, c"},  // the spreadsheet keeps commas
      {"line1\r\nline2", ",", "line1line2"},
      {"  inner  blanks  ", ",", "inner  blanks"},
      {" ", ",", ""},  // a nameless company reads as one blank
      {"广州,电子", ",", "广州电子"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CleanSingleValue(G(c.value), c.separator), G(c.expected)) << c.value;
  }
}

TEST(CleanMultiValue, JoinsValuesWithTheFormatsValueSeparator) {
  struct {
    std::vector<const char*> values;
    std::string_view field;
    std::string_view value;
    const char* expected;
  } cases[] = {
      {{"13800000001", "13800000002"},
       kTextFieldSeparator,
       kTextValueSeparator,
       "13800000001,13800000002"},
      {{"13800000001", "13800000002"},
       kSheetFieldSeparator,
       kSheetValueSeparator,
       "13800000001, 13800000002"},
      {{"a\tb@x.cn", "c@x.cn"}, kSheetFieldSeparator, kSheetValueSeparator, "ab@x.cn, c@x.cn"},
      {{"a,b@x.cn"}, kTextFieldSeparator, kTextValueSeparator, "a,b@x.cn"},  // commas stay
      {{" 12345 "}, kTextFieldSeparator, kTextValueSeparator, "12345"},
      {{}, kTextFieldSeparator, kTextValueSeparator, ""},
  };
  for (const auto& c : cases) {
    TUniqueStringList list;
    for (const char* v : c.values)
      list.Add(v);
    EXPECT_EQ(CleanMultiValue(list, c.field, c.value), c.expected) << c.expected;
  }
}

// The written file, byte for byte, for the export's cases.
TEST(ExportTextFile, HoldsTheExactLines) {
  struct {
    const char* what;
    std::vector<TCompanyRow> companies;
    const char* fields;
    const char* expected;  // UTF-8 here, GBK in the file
  } cases[] = {
      {"one multi field: one line per value, no header",
       {{"A", {"13800000001", "13800000002"}, {}, {}},
        {"B", {}, {"11111"}, {}},
        {"C", {"13800000003"}, {}, {}}},
       "m",
       "13800000001\r\n13800000002\r\n13800000003\r\n"},
      {"one multi field: a number of two companies appears twice",
       {{"A", {"13800000001"}, {}, {}}, {"B", {"13800000001"}, {}, {}}},
       "m",
       "13800000001\r\n13800000001\r\n"},
      {"one single field: cleaned, an empty one gives no line",
       {{"A", {"1"}, {}, {}, "http://a.cn/p,q "}, {"B", {"1"}, {}, {}, ""}},
       "w",
       "http://a.cn/pq\r\n"},
      {"one field: the company name, a nameless company gives nothing",
       {{"", {"1"}, {}, {}}, {"广州电子", {"1"}, {}, {}}},
       "c",
       "广州电子\r\n"},
      {"header and a line whose multi values keep their commas",
       {{"N", {"A1", "B2"}, {}, {}}},
       "cm",
       "公司名,手机\r\nN,A1,B2\r\n"},
      {"an empty last cell leaves a trailing separator",
       {{"N", {"A1", "B2"}, {}, {}}},
       "cme",
       "公司名,手机,邮箱\r\nN,A1,B2,\r\n"},
      {"an empty first cell: the e-mail stays in its column",
       {{"N", {"1"}, {}, {"x@y.cn"}}},
       "qe",
       "QQ,邮箱\r\n,x@y.cn\r\n"},
      {"a line whose cells are all empty is not written",
       {{"N", {"1"}, {}, {}}, {"M", {"2"}, {"777"}, {}}},
       "qe",
       "QQ,邮箱\r\n777,\r\n"},
      {"every field, in the fixed column order",
       {{"N", {"1"}, {"2"}, {"3@x.cn"}, "http://n.cn", "广州 天河"}},
       "wamqec",
       "公司名,手机,QQ,邮箱,地址,网址\r\nN,1,2,3@x.cn,广州 天河,http://n.cn\r\n"},
      {"WeChat after the web address",
       {{"N", {"1"}, {}, {}, "http://n.cn", "", {"wx_abc1", "13800000001"}}},
       "xcw",
       "公司名,网址,微信\r\nN,http://n.cn,wx_abc1,13800000001\r\n"},
      {"WeChat alone: one line per ID",
       {{"N", {"1"}, {}, {}, "", "", {"wx_abc1", "wx_def2"}}},
       "x",
       "wx_abc1\r\nwx_def2\r\n"},
      {"no field: an empty file", {{"N", {"1"}, {}, {}}}, "", ""},
  };
  test::TTempFolder folder;
  for (const auto& c : cases) {
    std::string file = folder.File("out.txt");
    ASSERT_TRUE(
        WriteExport(Companies(c.companies), file, Fields(c.fields), TExportFormat::Text, "k"))
        << c.what;
    EXPECT_EQ(test::TTempFolder::Read(file), G(c.expected)) << c.what;
  }
}

TEST(ExportTextFile, IsGbkWithoutByteOrderMarkAndReplacesAnOldFile) {
  test::TTempFolder folder;
  std::string file = folder.File("out.txt");
  test::TTempFolder::Write(file, "an older, longer export\r\nline two\r\n");
  ASSERT_TRUE(WriteExport(Companies({{"公司", {"1"}, {}, {}}}), file, Fields("c"),
                          TExportFormat::Text, "k"));
  std::string bytes = test::TTempFolder::Read(file);
  EXPECT_EQ(bytes, "\xB9\xAB\xCB\xBE\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1)
      << "no temporary file is left beside it";
}

// A failure is a false result or, from the BIFF writer, EExportError; nothing is left behind.
TEST(ExportFile, FailsInEveryFormatWhenTheFileCannotBeMade) {
  for (TExportFormat format :
       {TExportFormat::Text, TExportFormat::Excel, TExportFormat::Xlsx, TExportFormat::Csv}) {
    const std::string name = "out." + std::string(ExportExtension(format));
    test::TTempFolder folder;
    auto writes = [&](const std::string& path) {
      try {
        return WriteExport(Companies({{"N", {"1"}, {}, {}}}), path, Fields("cm"), format, "k");
      } catch (const EExportError&) {
        return false;
      }
    };
    EXPECT_FALSE(writes(folder.File("missing/" + name))) << name;
    EXPECT_FALSE(writes(folder.Path().string())) << name << ": a folder is not replaced";
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path())) << name;
  }
}

TEST(ExportSheetLines, UseTabsBetweenCellsAndCommaBlankBetweenValues) {
  auto lines = BuildExportLines(Companies({{"N", {"A1", "B2"}, {}, {}, "http://x.cn/a\tb,c"}}),
                                Fields("cmw"), false);
  std::vector<std::string> expected = {G("公司名\t手机\t网址"), "N\tA1, B2\thttp://x.cn/ab,c"};
  EXPECT_EQ(lines, expected);
}

TEST(ProposedExportFileName, MakesForbiddenCharactersUnderscores) {
  struct {
    std::string keyword;
    TExportFormat format;
    std::string expected;
  } cases[] = {
      {G("广州 电子公司"), TExportFormat::Text, G("广州 电子公司.txt")},
      {G("广州 电子公司"), TExportFormat::Excel, G("广州 电子公司.xls")},
      {G("广州 电子公司"), TExportFormat::Xlsx, G("广州 电子公司.xlsx")},
      {G("广州 电子公司"), TExportFormat::Csv, G("广州 电子公司.csv")},
      {"a/b\\c:d*e?f\"g<h>i|j", TExportFormat::Text, "a_b_c_d_e_f_g_h_i_j.txt"},
      {"tab\there", TExportFormat::Excel, "tab_here.xls"},
      // 0x96 0x7C and 0x81 0x5C: second bytes that look like "|" and "\" belong to characters.
      {"\x96\x7C\x81\x5C/", TExportFormat::Text, "\x96\x7C\x81\x5C_.txt"},
      {"", TExportFormat::Text, ".txt"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProposedExportFileName(c.keyword, c.format), c.expected) << c.expected;
  }
}

}  // namespace
}  // namespace vlmr
