#include "export/ExportFormat.h"

namespace vlmr {

std::string_view ExportExtension(TExportFormat format) {
  switch (format) {
    case TExportFormat::Text:
      return "txt";
    case TExportFormat::Excel:
      return "xls";
    case TExportFormat::Xlsx:
      return "xlsx";
    case TExportFormat::Csv:
      return "csv";
  }
  return "txt";
}

}  // namespace vlmr
