// Arbitrary bytes as a pattern: the input up to the first NUL byte is the pattern, the rest the
// text it runs on (a fixed sample page when there is no rest). Tight limits keep runaway
// patterns short; errors the service raises are fine.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Text.h"
#include "engine/RegExp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string sample = vlmr::Utf8ToGbk(
      "<title>深圳市华强电子有限公司</title>\r\n<a href=\"http://www.a.com/\">联系我们</a>\r\n"
      "电话：0755-83212345 手机：13812345678 邮箱：sales@hq.com\r\n"
      "地址：深圳市福田区华强北路1002号 网址：http://www.hq.com\r\n<tr><td>主办单位</td></tr>");
  static vlmr::TRegExp re([] {
    vlmr::TRegExpLimits limits;
    limits.matchLimit = 200'000;
    limits.heapLimitKiB = 4 * 1024;
    limits.jitStackBytes = 256 * 1024;
    return limits;
  }());
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\0');
  const std::string pattern = input.substr(0, cut);
  const std::string text = cut == std::string::npos ? sample : input.substr(cut + 1);
  try {
    (void)re.FindAll(text, pattern);
  } catch (const vlmr::ERegExpError&) {
  }
  return 0;
}
