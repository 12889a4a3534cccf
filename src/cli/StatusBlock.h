// The live status of a run on a terminal: one block of lines that is drawn again in place
// (companies stored, pages per engine, the current site, rate per minute, elapsed time), each
// line cut to the terminal's width so that the block keeps its height.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vlmr {

struct TKeywordStatus {
  std::string keyword;                // UTF-8
  std::string state;                  // UTF-8: 等待 / 采集中 / 已结束（...）
  std::int32_t stored = 0;            // companies stored by this run
  std::int32_t total = 0;             // the keyword's stored count
  std::int32_t pages[3] = {0, 0, 0};  // pages done, per engine
};

struct TRunStatus {
  std::vector<TKeywordStatus> keywords;
  std::string site;  // UTF-8: the last thing a site crawler said
  std::int64_t elapsedMs = 0;
  bool stopping = false;
};

// The block's lines (UTF-8, without line breaks).
std::vector<std::string> StatusLines(const TRunStatus& status);

// Terminal columns a UTF-8 text takes (a CJK character two, ASCII one), and the text cut to
// at most `columns` of them on a character boundary.
int TextColumns(const std::string& utf8);
std::string CutToColumns(const std::string& utf8, int columns);

// Draws the block on `out`, over the one drawn before.
class TStatusBlock {
 public:
  explicit TStatusBlock(std::FILE* out, int columns) : out_(out), columns_(columns) {}
  void Draw(const TRunStatus& status);

 private:
  std::FILE* out_;
  int columns_;
  std::size_t drawn_ = 0;  // lines of the block drawn last
};

}  // namespace vlmr
