// The store's ExportKeyword with the export layer's writer in place.
#include <gtest/gtest.h>

#include "store/StoreTestSupport.h"
#include "support/BiffReader.h"
#include "support/TempFolder.h"
#include "support/XlsxReader.h"

namespace vlmr::test {
namespace {

class ExportKeyword : public TStoreTest {};

TEST_F(ExportKeyword, WritesTheKeywordsCompaniesInEveryFormat) {
  Open();
  Store().AddKeyword(G("广州 电子"));
  TComPanyInfo first = Company(G("甲公司"), {"13800000001", "13800000002"});
  first.AddEmail("a@x.cn");
  Store().SaveCompany(G("广州 电子"), first);
  Store().SaveCompany(G("广州 电子"), Company(G("乙公司"), {"13900000001"}));
  TTempFolder out;
  TExportFields fields;
  fields.company = fields.mobile = fields.email = true;

  ASSERT_TRUE(
      Store().ExportKeyword(G("广州 电子"), out.File("k.txt"), fields, TExportFormat::Text));
  EXPECT_EQ(TTempFolder::Read(out.File("k.txt")),
            G("公司名,手机,邮箱\r\n甲公司,13800000001,13800000002,a@x.cn\r\n"
              "乙公司,13900000001,\r\n"));

  ASSERT_TRUE(
      Store().ExportKeyword(G("广州 电子"), out.File("k.xls"), fields, TExportFormat::Excel));
  TBiffSheet sheet = ReadBiff(TTempFolder::Read(out.File("k.xls")));
  ASSERT_EQ(sheet.error, "");
  EXPECT_EQ(sheet.cells.size(), 9u);
  EXPECT_EQ((sheet.cells[{1, 1}]), "13800000001, 13800000002");
  EXPECT_EQ((sheet.cells[{2, 2}]), "");

  const std::vector<std::vector<std::string>> rows = {
      {"公司名", "手机", "邮箱"},
      {"甲公司", "13800000001, 13800000002", "a@x.cn"},
      {"乙公司", "13900000001", ""},
  };
  ASSERT_TRUE(
      Store().ExportKeyword(G("广州 电子"), out.File("k.xlsx"), fields, TExportFormat::Xlsx));
  TXlsxSheet book = ReadXlsx(out.File("k.xlsx"));
  ASSERT_EQ(book.error, "");
  EXPECT_EQ(book.Texts(), rows);
  EXPECT_EQ(book.title, "广州 电子");

  ASSERT_TRUE(Store().ExportKeyword(G("广州 电子"), out.File("k.csv"), fields, TExportFormat::Csv));
  EXPECT_EQ(TTempFolder::Read(out.File("k.csv")),
            "\xEF\xBB\xBF公司名,手机,邮箱\r\n甲公司,\"13800000001, 13800000002\",a@x.cn\r\n"
            "乙公司,13900000001,\r\n");
}

TEST_F(ExportKeyword, FailsForAnUnknownOrEmptyKeywordOrAFileThatCannotBeMade) {
  Open();
  Store().AddKeyword("k");
  Store().AddKeyword("empty");
  ASSERT_TRUE(Save("k", "A"));
  TTempFolder out;
  TExportFields fields;
  fields.mobile = true;
  EXPECT_FALSE(Store().ExportKeyword("unknown", out.File("a.txt"), fields, TExportFormat::Text));
  EXPECT_FALSE(Store().ExportKeyword("empty", out.File("a.txt"), fields, TExportFormat::Text));
  EXPECT_FALSE(std::filesystem::exists(out.File("a.txt")));
  EXPECT_FALSE(Store().ExportKeyword("k", out.File("no/a.txt"), fields, TExportFormat::Text));
  EXPECT_FALSE(Store().ExportKeyword("k", out.File("no/a.xls"), fields, TExportFormat::Excel));
}

}  // namespace
}  // namespace vlmr::test
