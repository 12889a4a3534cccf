// WeChat IDs as company pages write them, after a label: "微信：abc_123", "微信号: abc_123",
// "WeChat: abc_123", "weixin：…" (the Latin labels in any letter case; "：" or ":" or blanks
// between label and ID). An ID is what WeChat accepts: 6 to 20 letters, digits, "_" or "-"
// beginning with a letter, or 5 to 11 digits (a QQ or mobile number used as the ID). A label of
// an official account ("微信公众号") gives nothing. "微信同手机号", "微信同手机", "微信同号" say
// the WeChat ID is the mobile: they give the marker kSameAsMobile, for the caller to replace by the
// company's first mobile. Texts are GBK.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vlmr {

inline constexpr std::string_view kSameAsMobile = "=mobile";

// The IDs in page order, each once.
std::vector<std::string> WeChatIds(std::string_view text);

}  // namespace vlmr
