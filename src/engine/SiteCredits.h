// The credit a web-design or hosting firm leaves on the sites it builds ("技术支持：某某网络
// 138..."), whose numbers are the firm's and not the company's. Texts are GBK.
//
// A credit begins at a marker: 技术支持, 网站建设, 网站设计, 网站制作, 网页设计, 网站维护,
// 网站开发, 建站, 设计制作, "Powered by", "Designed by", "Technical support" (ASCII words in any
// case); a marker that is the whole text of a link (a menu entry) is none. Inside a footer block (a
// <footer> element, or an element whose class or id speaks of "foot", "copyright", "bottom" or
// "banquan") the credit runs to the end of that block; elsewhere to the next block boundary
// (p, div, li, td, tr, br, table, ul, dl, dd, dt, h1-h6, section, footer tags) or at most 200
// bytes.
#pragma once

#include <string>
#include <string_view>

namespace vlmr {

// True when the page has any credit marker.
bool HasSiteCredits(std::string_view page);

// The page with every footer block blanked (the same length): on a directory's entry page the
// footer holds the directory's own numbers.
std::string WithoutFooterBlocks(std::string_view page);

// The page with every credit blanked (each of its bytes made a blank): the same length, the
// rest unchanged.
std::string WithoutSiteCredits(std::string_view page);

}  // namespace vlmr
