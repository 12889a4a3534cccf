// QQ numbers of chat links as pages write them: "tencent://message/?uin=N&Site=...",
// "http://wpa.qq.com/msgrd?v=3&site=qq&menu=yes&uin=N", "mqqwpa://im/chat?chat_type=wpa&uin=N",
// the parameters in any order, "&" also written "&amp;", and the status image
// "wpa.qq.com/pa?p=2:N:41". A number is 5 to 11 digits that end the parameter. Texts are GBK.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vlmr {

std::vector<std::string> QqNumbersOfChatLinks(std::string_view page);

}  // namespace vlmr
