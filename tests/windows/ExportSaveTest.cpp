// The save step with preset file-dialog and message-box answers, and the export of a keyword
// whose companies were never loaded, from the request to the written file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include "export/WriteWorkbook.h"
#include "store/StoreTestSupport.h"
#include "support/BiffReader.h"
#include "support/PresetFileDialogs.h"
#include "support/PresetMessageBoxes.h"
#include "support/TempFolder.h"
#include "windows/ExportSave.h"
#include "windows/Selfiled.h"

namespace vlmr::test {
namespace {

class ExportSave : public TStoreTest {
 protected:
  void SetUp() override {
    TStoreTest::SetUp();
    boxes_ = TPresetMessageBoxes::Install();
    dialogs_ = TPresetFileDialogs::Install();
    SetShowSavedFileForTesting([this](const std::string& path) { shown_.push_back(path); });
  }
  void TearDown() override {
    SetShowSavedFileForTesting({});
    InstallFileDialogService(nullptr);
    InstallMessageBoxService(nullptr);
    TStoreTest::TearDown();
  }

  // A keyword with two companies, loaded.
  void OpenWithCompanies() {
    Open();
    Store().AddKeyword(G("广州/电子"));
    Store().SaveCompany(G("广州/电子"), Company(G("甲公司"), {"13800000001", "13800000002"}));
    Store().SaveCompany(G("广州/电子"), Company(G("乙公司"), {"13900000001"}));
  }

  std::vector<std::string> Texts() {
    std::vector<std::string> texts;
    for (const auto& asked : boxes_->Asked()) {
      texts.push_back(GbkToUtf8(asked.text) + "|" + GbkToUtf8(asked.caption) + "|" +
                      std::to_string(asked.kind));
    }
    return texts;
  }

  static TExportFields CompanyAndMobile() {
    TExportFields fields;
    fields.company = fields.mobile = true;
    return fields;
  }

  std::shared_ptr<TPresetMessageBoxes> boxes_;
  std::shared_ptr<TPresetFileDialogs> dialogs_;
  std::vector<std::string> shown_;
  TTempFolder out_;
};

const std::string kSuccess = "数据导出成功，是否打开文件保存目录？|提示|4";
const std::string kFailure = "数据导出失败！|提示|1";
const std::string kOverwrite = "文件已存在，是否覆盖？|提示|4";

TEST_F(ExportSave, OffersTheFormatsFilterExtensionAndAProposedName) {
  OpenWithCompanies();
  struct {
    TExportFormat format;
    const char* filter;
    const char* pattern;
    const char* suffix;
  } cases[] = {
      {TExportFormat::Text, "文本文件", "*.txt", "txt"},
      {TExportFormat::Excel, "Excel文件", "*.xls", "xls"},
      {TExportFormat::Xlsx, "Excel 2007+ 工作簿", "*.xlsx", "xlsx"},
      {TExportFormat::Csv, "CSV文件 (UTF-8)", "*.csv", "csv"},
  };
  for (const auto& c : cases) {
    dialogs_->Answer(std::nullopt);
    SaveExport(Store(), G("广州/电子"), CompanyAndMobile(), c.format);
    ASSERT_FALSE(dialogs_->Asked().empty());
    const auto& asked = dialogs_->Asked().back();
    EXPECT_EQ(asked.filterName, c.filter);
    EXPECT_EQ(asked.filterPattern, c.pattern);
    EXPECT_EQ(asked.defaultSuffix, c.suffix);
    EXPECT_EQ(asked.proposedName, std::string("广州_电子.") + c.suffix);
  }
  EXPECT_TRUE(boxes_->Asked().empty()) << "a cancelled dialog ends the step";
  EXPECT_TRUE(std::filesystem::is_empty(out_.Path()));
}

TEST_F(ExportSave, WritesTheFileAndShowsItOnRequest) {
  OpenWithCompanies();
  dialogs_->Answer(out_.File("a.txt"));
  boxes_->Answer(MB_RESULT_OK);
  SaveExport(Store(), G("广州/电子"), CompanyAndMobile(), TExportFormat::Text);
  EXPECT_EQ(TTempFolder::Read(out_.File("a.txt")),
            G("公司名,手机\r\n甲公司,13800000001,13800000002\r\n乙公司,13900000001\r\n"));
  EXPECT_EQ(Texts(), std::vector<std::string>{kSuccess});
  EXPECT_EQ(shown_, std::vector<std::string>{out_.File("a.txt")});

  // A typed name without extension gets the format's; Cancel leaves the folder closed.
  dialogs_->Answer(out_.File("sheet"));
  boxes_->Answer(MB_RESULT_CANCEL);
  SaveExport(Store(), G("广州/电子"), CompanyAndMobile(), TExportFormat::Excel);
  TBiffSheet sheet = ReadBiff(TTempFolder::Read(out_.File("sheet.xls")));
  EXPECT_EQ(sheet.error, "");
  EXPECT_EQ((sheet.cells[{1, 1}]), "13800000001, 13800000002");
  EXPECT_FALSE(std::filesystem::exists(out_.File("sheet")));
  EXPECT_EQ(shown_.size(), 1u);
  EXPECT_EQ(dialogs_->Asked()[1].folder, out_.Path().string()) << "starts where the last went";
}

TEST_F(ExportSave, AsksBeforeReplacingAFileAndKeepsItOnCancel) {
  OpenWithCompanies();
  TTempFolder::Write(out_.File("a.txt"), "keep me");
  dialogs_->Answer(out_.File("a.txt"));
  boxes_->Answer(MB_RESULT_CANCEL);
  SaveExport(Store(), G("广州/电子"), CompanyAndMobile(), TExportFormat::Text);
  EXPECT_EQ(TTempFolder::Read(out_.File("a.txt")), "keep me");
  EXPECT_EQ(Texts(), std::vector<std::string>{kOverwrite});

  dialogs_->Answer(out_.File("a.txt"));
  boxes_->Answer(MB_RESULT_OK);
  boxes_->Answer(MB_RESULT_CANCEL);
  SaveExport(Store(), G("广州/电子"), CompanyAndMobile(), TExportFormat::Text);
  EXPECT_NE(TTempFolder::Read(out_.File("a.txt")), "keep me");
  EXPECT_EQ(Texts(), (std::vector<std::string>{kOverwrite, kOverwrite, kSuccess}));
}

TEST_F(ExportSave, AFailurePartWayKeepsTheOldFileAndLeavesNoHalfFile) {
  OpenWithCompanies();
  const TExportFormat formats[] = {TExportFormat::Text, TExportFormat::Excel, TExportFormat::Xlsx,
                                   TExportFormat::Csv};
  for (TExportFormat format : formats) {
    const std::string text(ExportExtension(format));
    TTempFolder folder;
    std::string file = folder.File("a." + text);
    TTempFolder::Write(file, "old");
    dialogs_->Answer(file);
    boxes_->Answer(MB_RESULT_OK);  // replace it
    // The disk fills up after 40 bytes of the new file.
    struct rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit small = saved;
    small.rlim_cur = 40;
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    SaveExport(Store(), G("广州/电子"), CompanyAndMobile(), format);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(TTempFolder::Read(file), "old") << text;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1) << text;
  }
  EXPECT_EQ(Texts(), (std::vector<std::string>{kOverwrite, kFailure, kOverwrite, kFailure,
                                               kOverwrite, kFailure, kOverwrite, kFailure}));
  EXPECT_TRUE(shown_.empty());
}

// A spreadsheet application saves under the chosen name with ".xls" added; the step then finds
// no file of the chosen name and says so.
TEST_F(ExportSave, AWriterThatReportsSuccessButLeavesNoFileIsAFailure) {
  struct TSavesWithXls : TSpreadsheetAutomation {
    void PasteIntoFirstSheet() override {}
    bool SaveAs(const std::string& fileName) override {
      TTempFolder::Write(fileName, "workbook");
      return true;
    }
    void Quit() override {}
  };
  SetSpreadsheetAutomationStarter([] { return std::make_unique<TSavesWithXls>(); });
  OpenWithCompanies();
  dialogs_->Answer(out_.File("a.txt"));
  SaveExport(Store(), G("广州/电子"), CompanyAndMobile(), TExportFormat::Excel);
  SetSpreadsheetAutomationStarter({});
  EXPECT_TRUE(std::filesystem::exists(out_.File("a.txt.xls")));
  EXPECT_FALSE(std::filesystem::exists(out_.File("a.txt")));
  EXPECT_EQ(Texts(), std::vector<std::string>{kFailure});
}

TEST_F(ExportSave, AKeywordWithoutCompaniesFails) {
  Open();
  Store().AddKeyword("empty");
  dialogs_->Answer(out_.File("a.txt"));
  SaveExport(Store(), "empty", CompanyAndMobile(), TExportFormat::Text);
  EXPECT_EQ(Texts(), std::vector<std::string>{kFailure});
  EXPECT_FALSE(std::filesystem::exists(out_.File("a.txt")));
}

TEST_F(ExportSave, NoFieldWritesAnEmptyTextFile) {
  OpenWithCompanies();
  dialogs_->Answer(out_.File("a.txt"));
  SaveExport(Store(), G("广州/电子"), TExportFields{}, TExportFormat::Text);
  EXPECT_EQ(TTempFolder::Read(out_.File("a.txt")), "");
  EXPECT_EQ(Texts(), std::vector<std::string>{kSuccess});
}

TEST_F(ExportSave, RefusesASpreadsheetOfMoreRowsThanItHoldsBeforeAsking) {
  Open();
  Store().AddKeyword("big");
  // One line per mobile number: 6600 companies of 10 numbers each, put straight into the
  // keyword's loaded list.
  TCompanyList& list = Store().FindKeyword("big")->Companies;
  for (int c = 0; c < 6600; ++c) {
    auto company = std::make_shared<TComPanyInfo>();
    company->listId = std::to_string(c);
    company->SetComName("c" + std::to_string(c));
    for (int m = 0; m < 10; ++m)
      company->AddMobile(std::to_string(13000000000LL + c * 10 + m));
    list.Add(std::move(company));
  }
  TExportFields mobileOnly;
  mobileOnly.mobile = true;
  SaveExport(Store(), "big", mobileOnly, TExportFormat::Excel);
  EXPECT_EQ(Texts(),
            std::vector<std::string>{"数据超过65536行，请选择xlsx、CSV或txt格式导出|提示|1"});
  EXPECT_TRUE(dialogs_->Asked().empty());

  dialogs_->Answer(out_.File("big.txt"));
  SaveExport(Store(), "big", mobileOnly, TExportFormat::Text);
  std::string text = TTempFolder::Read(out_.File("big.txt"));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 66000);
}

// 65 536 companies and the header do not fit the Excel格式 worksheet: the dialog starts on
// .xlsx, and OK writes the workbook.
TEST_F(ExportSave, ADialogForAKeywordBeyondTheWorksheetStartsOnXlsx) {
  Open();
  Store().AddKeyword("big");
  TCompanyList& list = Store().FindKeyword("big")->Companies;
  for (int c = 0; c < 65536; ++c) {
    auto company = std::make_shared<TComPanyInfo>();
    company->listId = std::to_string(c);
    company->AddMobile(std::to_string(13000000000LL + c));
    list.Add(std::move(company));
  }
  QWidget owner;
  QPointer<Tfmselfiled> dialog = OpenExportDialog(Store(), "big", &owner);
  EXPECT_EQ(dialog->Format(), TExportFormat::Xlsx);
  dialogs_->Answer(out_.File("big"));
  boxes_->Answer(MB_RESULT_CANCEL);
  dialog->findChild<QPushButton*>("Button2")->click();
  ASSERT_EQ(dialogs_->Asked().size(), 1u);
  EXPECT_EQ(dialogs_->Asked()[0].proposedName, "big.xlsx");
  EXPECT_EQ(TTempFolder::Read(out_.File("big.xlsx")).substr(0, 2), "PK");
  EXPECT_EQ(Texts(), std::vector<std::string>{kSuccess});
}

TEST_F(ExportSave, AKeywordNeverLoadedIsLoadedThenExportedFromItsDialog) {
  OpenWithCompanies();
  Open();  // a new session: the keyword's companies are only in the database
  loaded_.clear();
  ASSERT_EQ(Store().RequestKeyword(G("广州/电子"), TPendingAction::Export), nullptr);
  ASSERT_TRUE(PumpUntil([&] { return !loaded_.empty(); }));
  ASSERT_EQ(Store().TakePendingAction(G("广州/电子")), TPendingAction::Export);
  ASSERT_NE(Store().RequestKeyword(G("广州/电子"), TPendingAction::Export), nullptr);

  QWidget owner;
  QPointer<Tfmselfiled> dialog = OpenExportDialog(Store(), G("广州/电子"), &owner);
  ASSERT_TRUE(dialog->isVisible());
  emit dialog->findChild<QLabel*>("Label4")->linkActivated("#");  // 手机 only, text
  dialogs_->Answer(out_.File("phones.txt"));
  boxes_->Answer(MB_RESULT_CANCEL);
  dialog->findChild<QPushButton*>("Button2")->click();
  EXPECT_EQ(TTempFolder::Read(out_.File("phones.txt")),
            "13800000001\r\n13800000002\r\n13900000001\r\n");
  EXPECT_EQ(Texts(), std::vector<std::string>{kSuccess});
}

}  // namespace
}  // namespace vlmr::test
