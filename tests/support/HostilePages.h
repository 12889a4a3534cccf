// Pages that make a backtracking matcher work quadratically with the engine's own patterns: many
// starts of a match whose end never comes, each start searching on to the end of the page (or of
// the line). Used by the pattern service's tests and its benchmark.
// Every page is GBK with CR LF line ends, at least `bytes` long.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/Text.h"

namespace vlmr::test {

struct THostilePage {
  const char* name;
  std::string patternUtf8;  // the engine pattern the page is hostile to
  std::string (*make)(std::size_t bytes);
};

// Repeats `unitUtf8` (converted once) until the text holds `bytes`.
inline std::string RepeatGbk(const std::string& unitUtf8, std::size_t bytes,
                             const std::string& headUtf8 = "") {
  const std::string unit = Utf8ToGbk(unitUtf8);
  std::string text = Utf8ToGbk(headUtf8);
  text.reserve(bytes + unit.size());
  while (text.size() < bytes) {
    text += unit;
  }
  return text;
}

// Anchors that are never closed: every "<a" runs the lazy loop to the end of the page.
inline std::string UnclosedAnchors(std::size_t bytes) {
  return RepeatGbk("<a href=\"http://www.company.com.cn/\">公司主页\r\n", bytes);
}

// Table rows without "</tr>", as a filing site cut off mid-table would send.
inline std::string UnclosedRows(std::size_t bytes) {
  return RepeatGbk("<tr><td>主办单位</td><td>广州市某某电子有限公司</td>\r\n", bytes);
}

// Result blocks with "srcid=" whose "快照" never comes.
inline std::string BlocksWithoutSnapshot(std::size_t bytes) {
  return RepeatGbk("<div class=\"result\" srcid=\"1599\"><h3>广州电子</h3></div>\r\n", bytes);
}

// One long line with many "地" and no "址": the greedy "." loop runs to the line end each time.
inline std::string LineWithoutAddressEnd(std::size_t bytes) {
  return RepeatGbk("目的地 产地 基地 ", bytes) + "\r\n";
}

inline const std::vector<THostilePage>& HostilePages() {
  static const std::vector<THostilePage> pages = {
      {"unclosed_anchors", R"(<a[^>]*http://[^>]*>(?:.|[\r\n])*?</a>)", UnclosedAnchors},
      {"unclosed_rows", R"(<tr>([\s\S]*?)</tr>)", UnclosedRows},
      {"blocks_without_snapshot", R"(<div[^>]*(srcid=)[^>]*>([\s\S]*?)(快照))",
       BlocksWithoutSnapshot},
      {"line_without_address_end", R"(地.*址\S*)", LineWithoutAddressEnd},
  };
  return pages;
}

}  // namespace vlmr::test
