// LibreOffice, as a reader outside this program, converts the XLSX and the CSV export back to
// rows under an English and a Chinese locale: both give the records' cells, Chinese intact.
// Skipped where LibreOffice is not installed (scripts/install-deps installs it).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "export/ExportFile.h"
#include "export/ExportTestRows.h"
#include "support/CsvReader.h"
#include "support/TempFolder.h"

namespace vlmr::test {
namespace {

const char* const kSoffice = "/usr/bin/soffice";

// The shell command that converts `input` to UTF-8 CSV in `outFolder`, under `locale`, with a
// profile of its own so that several can run at once.
std::string Conversion(const TTempFolder& folder, const std::string& input,
                       const std::string& outFolder, const std::string& locale,
                       const std::string& inputFilter) {
  const std::string profile = folder.File("profile-" + outFolder);
  return "(cd '" + folder.Path().string() + "' && HOME='" + profile + "' LANG=" + locale +
         " LC_ALL=" + locale + " timeout 300 " + kSoffice + " -env:UserInstallation=file://" +
         profile + " --headless --norestore " + inputFilter +
         " --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1' --outdir '" + outFolder +
         "' '" + input + "' > '" + outFolder + ".log' 2>&1)";
}

TEST(LibreOffice, ReadsTheXlsxAndTheCsvAsTheSameRowsInEveryLocale) {
  if (!std::filesystem::exists(kSoffice)) {
    GTEST_SKIP() << "LibreOffice is not installed";
  }
  const auto companies = Companies({
      {"广州市天河区甲乙电子有限公司",
       {"13800000001", "13800000002"},
       {"10001"},
       {"sales@a.cn", "info@a.cn"},
       "http://a.cn/p?x=\"1\",y",
       ""},
      {"乙公司", {"13900000001"}, {}, {}, "", ""},
      {"Acme (深圳)", {"15000000000"}, {"987654321"}, {}, "www.acme.cn", ""},
  });
  const std::vector<std::vector<std::string>> expected = {
      {"公司名", "手机", "QQ", "邮箱", "网址"},
      {"广州市天河区甲乙电子有限公司", "13800000001, 13800000002", "10001", "sales@a.cn, info@a.cn",
       "http://a.cn/p?x=\"1\",y"},
      {"乙公司", "13900000001", "", "", ""},
      {"Acme (深圳)", "15000000000", "987654321", "", "www.acme.cn"},
  };
  TTempFolder folder;
  ASSERT_TRUE(WriteExport(companies, folder.File("k.xlsx"), Fields("cmqew"), TExportFormat::Xlsx,
                          G("广州 电子")));
  ASSERT_TRUE(WriteExport(companies, folder.File("k.csv"), Fields("cmqew"), TExportFormat::Csv,
                          G("广州 电子")));

  // All four at once: each start of LibreOffice takes seconds. The CSV is read as UTF-8, as its
  // byte-order mark says.
  const std::vector<std::string> locales = {"C.UTF-8", "zh_CN.UTF-8"};
  std::string command;
  for (const std::string& locale : locales) {
    command += Conversion(folder, "k.xlsx", "xlsx-" + locale, locale, "") + " & ";
    command +=
        Conversion(folder, "k.csv", "csv-" + locale, locale, "--infilter=CSV:44,34,76,1") + " & ";
  }
  command += "wait";
  ASSERT_EQ(std::system(command.c_str()), 0);

  for (const std::string& locale : locales) {
    for (const char* from : {"xlsx", "csv"}) {
      const std::string out = std::string(from) + "-" + locale;
      const std::string converted = TTempFolder::Read(folder.Path() / out / "k.csv");
      EXPECT_EQ(ParseCsv(converted), expected)
          << out << ": " << converted << TTempFolder::Read(folder.File(out + ".log"));
    }
  }
}

}  // namespace
}  // namespace vlmr::test
