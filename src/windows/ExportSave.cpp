#include "windows/ExportSave.h"
#include "base/Guarded.h"

#include <filesystem>
#include <system_error>

#include "base/MessageBox.h"
#include "base/Text.h"
#include "export/DS2Excel.h"
#include "export/ExportLines.h"
#include "export/ExportRows.h"
#include "export/WriteWorkbook.h"
#include "export/XlsxWriter.h"
#include "store/KeyListInfo.h"
#include "windows/FileDialog.h"
#include "windows/ShowInFolder.h"

namespace vlmr {
namespace {

TGuarded<std::function<void(const std::string&)>>& ShowOverride() {
  static TGuarded<std::function<void(const std::string&)>> show;
  return show;
}

void ShowSavedFile(const std::string& path) {
  const std::function<void(const std::string&)> show = ShowOverride().Get();
  if (show) {
    show(path);
  } else {
    ShowFileInFolder(path);
  }
}

// The folder of the last save, where the next save dialog starts.
std::string& LastFolder() {
  static std::string folder;
  return folder;
}

// The refusal, when the keyword's rows do not fit the format's sheet.
const char* TooManyRows(const TKeyListInfo& store, const std::string& keyword,
                        const TExportFields& fields, TExportFormat format) {
  const TCompanyList* companies = store.CompanyListOf(keyword);
  if (!companies) {
    return nullptr;
  }
  if (format == TExportFormat::Excel) {
    std::vector<std::string> lines = BuildExportLines(*companies, fields, false);
    // Counted as the writer will see them: the export text broken into lines again.
    if (TDS2Excel::RowCount(SplitTextLines(JoinExportLines(lines)), true) > TDS2Excel::kMaxRows) {
      return "数据超过65536行，请选择xlsx、CSV或txt格式导出";
    }
  } else if (format == TExportFormat::Xlsx) {
    TExportRows rows(fields, kSheetFieldSeparator, kSheetValueSeparator);
    if (rows.RowsExceed(*companies, TXlsxWriter::kMaxRows)) {
      return "数据超过1048576行，请选择CSV或txt格式导出";
    }
  }
  return nullptr;
}

struct TFormatFilter {
  const char* name;
  const char* pattern;
};

TFormatFilter FilterOf(TExportFormat format) {
  switch (format) {
    case TExportFormat::Text:
      return {"文本文件", "*.txt"};
    case TExportFormat::Excel:
      return {"Excel文件", "*.xls"};
    case TExportFormat::Xlsx:
      return {"Excel 2007+ 工作簿", "*.xlsx"};
    case TExportFormat::Csv:
      return {"CSV文件 (UTF-8)", "*.csv"};
  }
  return {"文本文件", "*.txt"};
}

// A typed name without extension gets the format's.
std::string WithDefaultExtension(const std::string& path, const std::string& suffix) {
  std::filesystem::path p(path);
  if (p.filename().has_extension() || p.filename().empty()) {
    return path;
  }
  return path + "." + suffix;
}

}  // namespace

void SetShowSavedFileForTesting(std::function<void(const std::string& path)> show) {
  ShowOverride().Set(std::move(show));
}

void SaveExport(TKeyListInfo& store, const std::string& keyword, const TExportFields& fields,
                TExportFormat format, const TResultFilter& filter, bool noShared) {
  if (const char* refusal = TooManyRows(store, keyword, fields, format)) {
    ShowMessageBox(Utf8ToGbk(refusal), MessageCaption(), MB_KIND_INFORMATION);
    return;
  }
  TSaveDialogRequest request;
  request.filterName = FilterOf(format).name;
  request.filterPattern = FilterOf(format).pattern;
  request.defaultSuffix = ExportExtension(format);
  request.proposedName = GbkToUtf8(ProposedExportFileName(keyword, format));
  request.folder = LastFolder();
  std::optional<std::string> chosen = AskSaveFileName(request);
  if (!chosen || chosen->empty()) {
    return;
  }
  const std::string path = WithDefaultExtension(*chosen, request.defaultSuffix);
  LastFolder() = std::filesystem::path(path).parent_path().string();

  std::error_code ec;
  if (std::filesystem::exists(path, ec) &&
      ShowMessageBox(Utf8ToGbk("文件已存在，是否覆盖？"), MessageCaption(), MB_KIND_QUESTION) ==
          MB_RESULT_CANCEL) {
    return;
  }
  bool written = store.ExportKeyword(keyword, path, fields, format, filter, noShared);
  if (!written || !std::filesystem::exists(path, ec)) {
    ShowMessageBox(Utf8ToGbk("数据导出失败！"), MessageCaption(), MB_KIND_INFORMATION);
    return;
  }
  if (ShowMessageBox(Utf8ToGbk("数据导出成功，是否打开文件保存目录？"), MessageCaption(),
                     MB_KIND_QUESTION) != MB_RESULT_CANCEL) {
    ShowSavedFile(path);
  }
}

}  // namespace vlmr
