#include "export/ExportFile.h"

#include "export/WriteWorkbook.h"
#include "platform/FileIo.h"

namespace vlmr {

bool WriteExportLines(const std::string& fileName, const std::vector<std::string>& lines,
                      bool textFormat) {
  if (!textFormat) {
    return WriteWorkbook(fileName, lines);
  }
  return ReplaceFile(fileName, JoinExportLines(lines));
}

}  // namespace vlmr
