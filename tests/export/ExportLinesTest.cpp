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
#include "support/TempFolder.h"
#include "support/TestText.h"

namespace vlmr {
namespace {

using test::G;

struct TCompanyRow {
  const char* name;
  std::vector<const char*> mobiles;
  std::vector<const char*> qqs;
  std::vector<const char*> emails;
  const char* url = "";
  const char* address = "";
};

std::vector<std::shared_ptr<TComPanyInfo>> Companies(const std::vector<TCompanyRow>& rows) {
  std::vector<std::shared_ptr<TComPanyInfo>> out;
  for (const auto& row : rows) {
    auto company = std::make_shared<TComPanyInfo>();
    company->SetComName(G(row.name));
    for (const char* m : row.mobiles)
      company->AddMobile(G(m));
    for (const char* q : row.qqs)
      company->AddQQ(G(q));
    for (const char* e : row.emails)
      company->AddEmail(G(e));
    company->webUrl = G(row.url);
    company->address = G(row.address);
    company->AddTel("020-12345678");  // landlines are never exported
    out.push_back(std::move(company));
  }
  return out;
}

TExportFields Fields(const std::string& letters) {
  TExportFields f;
  f.company = letters.find('c') != std::string::npos;
  f.mobile = letters.find('m') != std::string::npos;
  f.qq = letters.find('q') != std::string::npos;
  f.email = letters.find('e') != std::string::npos;
  f.address = letters.find('a') != std::string::npos;
  f.webUrl = letters.find('w') != std::string::npos;
  return f;
}

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
      {"no field: an empty file", {{"N", {"1"}, {}, {}}}, "", ""},
  };
  test::TTempFolder folder;
  for (const auto& c : cases) {
    std::string file = folder.File("out.txt");
    ASSERT_TRUE(WriteExport(Companies(c.companies), file, Fields(c.fields), true)) << c.what;
    EXPECT_EQ(test::TTempFolder::Read(file), G(c.expected)) << c.what;
  }
}

TEST(ExportTextFile, IsGbkWithoutByteOrderMarkAndReplacesAnOldFile) {
  test::TTempFolder folder;
  std::string file = folder.File("out.txt");
  test::TTempFolder::Write(file, "an older, longer export\r\nline two\r\n");
  ASSERT_TRUE(WriteExport(Companies({{"公司", {"1"}, {}, {}}}), file, Fields("c"), true));
  std::string bytes = test::TTempFolder::Read(file);
  EXPECT_EQ(bytes, "\xB9\xAB\xCB\xBE\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1)
      << "no temporary file is left beside it";
}

TEST(ExportTextFile, FailsWhenTheFileCannotBeMade) {
  test::TTempFolder folder;
  EXPECT_FALSE(WriteExport(Companies({{"N", {"1"}, {}, {}}}), folder.File("missing/out.txt"),
                           Fields("cm"), true));
  EXPECT_FALSE(
      WriteExport(Companies({{"N", {"1"}, {}, {}}}), folder.Path().string(), Fields("cm"), true))
      << "a folder is not replaced";
  EXPECT_TRUE(std::filesystem::is_directory(folder.Path()));
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
    bool text;
    std::string expected;
  } cases[] = {
      {G("广州 电子公司"), true, G("广州 电子公司.txt")},
      {G("广州 电子公司"), false, G("广州 电子公司.xls")},
      {"a/b\\c:d*e?f\"g<h>i|j", true, "a_b_c_d_e_f_g_h_i_j.txt"},
      {"tab\there", false, "tab_here.xls"},
      // 0x96 0x7C and 0x81 0x5C: second bytes that look like "|" and "\" belong to characters.
      {"\x96\x7C\x81\x5C/", true, "\x96\x7C\x81\x5C_.txt"},
      {"", true, ".txt"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProposedExportFileName(c.keyword, c.text), c.expected) << c.expected;
  }
}

}  // namespace
}  // namespace vlmr
