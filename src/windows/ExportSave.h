// The save step of an export, run on the UI thread when the field dialog's OK is pressed:
// the save dialog (filter and default extension following the format, the name proposed from
// the keyword), the overwrite question, the store's ExportKeyword, the failure or success
// message, and on request the folder shown with the file selected. A spreadsheet export with
// more rows than its sheet holds (65 536 for Excel格式, 1 048 576 for .xlsx) is refused with a
// message before the save dialog.
#pragma once

#include <functional>
#include <string>

#include "export/ExportFields.h"
#include "export/ExportFormat.h"
#include "store/ResultFilter.h"

namespace vlmr {

class TKeyListInfo;

// `keyword` is GBK. Only the companies that match `filter` are written; with `noShared`
// without their shared numbers (TKeyListInfo::ExportKeyword).
void SaveExport(TKeyListInfo& store, const std::string& keyword, const TExportFields& fields,
                TExportFormat format, const TResultFilter& filter = {}, bool noShared = false);

// Replaces what shows a saved file (ShowFileInFolder); empty restores it. For tests.
void SetShowSavedFileForTesting(std::function<void(const std::string& path)> show);

}  // namespace vlmr
