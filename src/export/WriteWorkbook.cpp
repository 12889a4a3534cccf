#include "export/WriteWorkbook.h"

#include <utility>

#include "base/Clipboard.h"
#include "base/Guarded.h"
#include "base/Text.h"
#include "export/DS2Excel.h"
#include "export/ExportLines.h"

namespace vlmr {
namespace {

TGuarded<TAutomationStarter>& Starter() {
  static TGuarded<TAutomationStarter> starter;
  return starter;
}

std::unique_ptr<TSpreadsheetAutomation> StartAutomation() {
  const TAutomationStarter starter = Starter().Get();
  return starter ? starter() : nullptr;
}

// The built-in path: the tabs become the writer's "|" cell breaks.
void WriteBuiltIn(const std::string& fileName, std::string text) {
  for (char& c : text) {
    if (c == '\t') {
      c = '|';
    }
  }
  std::vector<std::string> lines = SplitTextLines(text);
  text.clear();
  TDS2Excel writer(lines);
  writer.WriteFile(fileName, true);
}

}  // namespace

void SetSpreadsheetAutomationStarter(TAutomationStarter starter) {
  Starter().Set(std::move(starter));
}

std::vector<std::string> SplitTextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.emplace_back(text, start);
      break;
    }
    lines.emplace_back(text, start, end - start);
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') {
      ++start;
    }
  }
  return lines;
}

bool WriteWorkbook(const std::string& fileName, const std::vector<std::string>& lines) {
  std::unique_ptr<TSpreadsheetAutomation> application = StartAutomation();
  std::string text = JoinExportLines(lines);
  if (!application) {
    SetClipboardText(GbkToUtf8(text));
    WriteBuiltIn(fileName, std::move(text));
    return true;
  }
  // The application is told to quit before this call returns, whatever happens.
  struct TQuit {
    TSpreadsheetAutomation& app;
    ~TQuit() { app.Quit(); }
  } quit{*application};
  if (fileName.empty()) {
    return true;
  }
  SetClipboardText(GbkToUtf8(text));
  application->PasteIntoFirstSheet();
  std::string target = fileName;
  if (target.size() < 4 || target.compare(target.size() - 4, 4, ".xls") != 0) {
    target += ".xls";
  }
  application->SaveAs(target);
  return true;
}

}  // namespace vlmr
