#include "windows/ExportSave.h"

#include <filesystem>
#include <mutex>
#include <system_error>

#include "base/MessageBox.h"
#include "base/Text.h"
#include "export/DS2Excel.h"
#include "export/ExportLines.h"
#include "export/WriteWorkbook.h"
#include "store/KeyListInfo.h"
#include "windows/FileDialog.h"
#include "windows/ShowInFolder.h"

namespace vlmr {
namespace {

std::mutex& ShowMutex() {
  static std::mutex m;
  return m;
}
std::function<void(const std::string&)>& ShowOverride() {
  static std::function<void(const std::string&)> show;
  return show;
}

void ShowSavedFile(const std::string& path) {
  std::function<void(const std::string&)> show;
  {
    std::lock_guard lock(ShowMutex());
    show = ShowOverride();
  }
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

bool TooManyRows(const TKeyListInfo& store, const std::string& keyword,
                 const TExportFields& fields) {
  const TCompanyList* companies = store.CompanyListOf(keyword);
  if (!companies) {
    return false;
  }
  std::vector<std::string> lines = BuildExportLines(*companies, fields, false);
  // Counted as the writer will see them: the export text broken into lines again.
  return TDS2Excel::RowCount(SplitTextLines(JoinExportLines(lines)), true) > TDS2Excel::kMaxRows;
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
  std::lock_guard lock(ShowMutex());
  ShowOverride() = std::move(show);
}

void SaveExport(TKeyListInfo& store, const std::string& keyword, const TExportFields& fields,
                bool textFormat) {
  if (!textFormat && TooManyRows(store, keyword, fields)) {
    ShowMessageBox(Utf8ToGbk("数据超过65536行，请选择txt格式导出"), MessageCaption(),
                   MB_KIND_INFORMATION);
    return;
  }
  TSaveDialogRequest request;
  request.filterName = textFormat ? "文本文件" : "Excel文件";
  request.filterPattern = textFormat ? "*.txt" : "*.xls";
  request.defaultSuffix = textFormat ? "txt" : "xls";
  request.proposedName = GbkToUtf8(ProposedExportFileName(keyword, textFormat));
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
  bool written = store.ExportKeyword(keyword, path, fields, textFormat);
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
