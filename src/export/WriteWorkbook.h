// Writing export lines (cells separated by tabs) as a spreadsheet file. A spreadsheet
// application that can be driven takes the lines through the clipboard and saves the
// workbook; without one, the built-in writer TDS2Excel writes a BIFF worksheet stream. Either
// way the export text (lines ended by CR LF, tabs in place) is left on the clipboard.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vlmr {

// The one seam to a spreadsheet application: an open application with a new workbook.
class TSpreadsheetAutomation {
 public:
  virtual ~TSpreadsheetAutomation() = default;
  // Pastes the clipboard into the workbook's first sheet, splitting rows and columns; raises
  // on failure.
  virtual void PasteIntoFirstSheet() = 0;
  // Saves the active workbook in the application's normal format; false on failure.
  virtual bool SaveAs(const std::string& fileName) = 0;
  // Ends the application.
  virtual void Quit() = 0;
};

// Starts an application with a new workbook, or gives nothing when none can be driven.
using TAutomationStarter = std::function<std::unique_ptr<TSpreadsheetAutomation>()>;

// Replaces the starter; an empty one restores the platform's (there is no spreadsheet
// application to drive on this platform, so it gives nothing).
void SetSpreadsheetAutomationStarter(TAutomationStarter starter);

// Returns true; failures of the writer (or of pasting) raise EExportError or the
// application's error to the caller. The automation path appends ".xls" to a name that does
// not end with it and reports nothing of it; a failed save is not an error here.
bool WriteWorkbook(const std::string& fileName, const std::vector<std::string>& lines);

// The lines of a text as a string list reads them: broken at CR LF, CR or LF; a break at the
// very end opens no further line.
std::vector<std::string> SplitTextLines(const std::string& text);

}  // namespace vlmr
