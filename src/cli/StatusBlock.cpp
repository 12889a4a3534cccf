#include "cli/StatusBlock.h"

#include <cinttypes>

namespace vlmr {
namespace {

std::string Clock(std::int64_t ms) {
  const std::int64_t seconds = ms / 1000;
  char text[32];
  std::snprintf(text, sizeof text, "%02" PRId64 ":%02" PRId64 ":%02" PRId64, seconds / 3600,
                seconds / 60 % 60, seconds % 60);
  return text;
}

std::string Padded(const std::string& utf8, int columns) {
  const int used = TextColumns(utf8);
  return used >= columns ? utf8 : utf8 + std::string(static_cast<std::size_t>(columns - used), ' ');
}

// Bytes of the UTF-8 character that starts with `lead`.
std::size_t CharBytes(unsigned char lead) {
  if (lead >= 0xF0) {
    return 4;
  }
  if (lead >= 0xE0) {
    return 3;
  }
  return lead >= 0xC0 ? 2 : 1;
}

}  // namespace

int TextColumns(const std::string& utf8) {
  int columns = 0;
  for (std::size_t i = 0; i < utf8.size(); i += CharBytes(static_cast<unsigned char>(utf8[i]))) {
    columns += static_cast<unsigned char>(utf8[i]) < 0x80 ? 1 : 2;
  }
  return columns;
}

std::string CutToColumns(const std::string& utf8, int columns) {
  int used = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const std::size_t bytes = CharBytes(static_cast<unsigned char>(utf8[i]));
    const int width = static_cast<unsigned char>(utf8[i]) < 0x80 ? 1 : 2;
    if (used + width > columns || i + bytes > utf8.size()) {
      break;
    }
    used += width;
    i += bytes;
  }
  return utf8.substr(0, i);
}

std::vector<std::string> StatusLines(const TRunStatus& status) {
  std::int32_t stored = 0;
  for (const TKeywordStatus& k : status.keywords) {
    stored += k.stored;
  }
  const double minutes = static_cast<double>(status.elapsedMs) / 60000.0;
  char rate[32];
  std::snprintf(rate, sizeof rate, "%.1f", minutes > 0 ? stored / minutes : 0.0);

  std::vector<std::string> lines;
  lines.push_back("vlmr-collect  已用时 " + Clock(status.elapsedMs) + "  本次入库 " +
                  std::to_string(stored) + " 家  " + rate + " 家/分钟" +
                  (status.stopping ? "  正在停止…" : ""));
  lines.push_back(Padded("关键词", 24) + Padded("状态", 18) + "入库/总数   百度  搜狗  360");
  for (const TKeywordStatus& k : status.keywords) {
    char pages[48];
    std::snprintf(pages, sizeof pages, "%5d %5d %5d", k.pages[0], k.pages[1], k.pages[2]);
    lines.push_back(Padded(k.keyword, 24) + Padded(k.state, 18) +
                    Padded(std::to_string(k.stored) + "/" + std::to_string(k.total), 10) + pages);
  }
  lines.push_back("当前：" + status.site);
  return lines;
}

void TStatusBlock::Draw(const TRunStatus& status) {
  const std::vector<std::string> lines = StatusLines(status);
  std::string out;
  if (drawn_ > 0) {
    out += "\x1b[" + std::to_string(drawn_) + "F";  // to the start of the block's first line
  }
  for (const std::string& line : lines) {
    out += "\x1b[2K" + CutToColumns(line, columns_ - 1) + "\n";
  }
  // A block that shrank leaves no old lines below it.
  out += "\x1b[J";
  std::fputs(out.c_str(), out_);
  std::fflush(out_);
  drawn_ = lines.size();
}

}  // namespace vlmr
