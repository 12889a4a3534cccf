#include "cli/ListCommand.h"

#include <string>

#include "base/Text.h"
#include "base/Utils.h"
#include "cli/CollectEvent.h"
#include "cli/StatusBlock.h"
#include "store/KeyListInfo.h"

namespace vlmr {
namespace {

std::string Column(const std::string& utf8, int width) {
  const int used = TextColumns(utf8);
  return used >= width ? utf8 + " "
                       : utf8 + std::string(static_cast<std::size_t>(width - used), ' ');
}

}  // namespace

void ListKeywords(const TKeyListInfo& store, std::FILE* out, bool json) {
  std::string text;
  if (!json) {
    text =
        Column("关键词", 24) + Column("记录数", 8) + Column("最后更新", 21) + "百度  搜狗   360\n";
  }
  for (const auto& record : store.Keywords()) {
    const std::string keyword = GbkToUtf8(record->Keyword);
    const std::string updated = FormatStoredTime(record->AddDate);
    const std::int32_t pages[3] = {record->LastPage, record->SgLastPage, record->S360LastPage};
    if (json) {
      text += R"({"keyword":)" + JsonString(keyword) + R"(,"companies":)" +
              std::to_string(record->ListCount) + R"(,"updated":)" + JsonString(updated) +
              R"(,"pages":{"baidu":)" + std::to_string(pages[0]) + R"(,"sogou":)" +
              std::to_string(pages[1]) + R"(,"360":)" + std::to_string(pages[2]) + "}}\n";
    } else {
      char counts[48];
      std::snprintf(counts, sizeof counts, "%4d  %4d  %4d\n", pages[0], pages[1], pages[2]);
      text += Column(keyword, 24) + Column(std::to_string(record->ListCount), 8) +
              Column(updated, 21) + counts;
    }
  }
  std::fputs(text.c_str(), out);
  std::fflush(out);
}

}  // namespace vlmr
