// Host names of the search engines, compiled in. A domain is the registrable domain; a host
// lies inside its domain. Where one goes into a regular expression it goes in unchanged, so its
// dots match any character.
#pragma once

namespace vlmr {

inline constexpr const char* BaiduDomain = "baidu.com";
inline constexpr const char* BaiduSearchHost = "www.baidu.com";
inline constexpr const char* SogouDomain = "sogou.com";
inline constexpr const char* SogouSearchHost = "www.sogou.com";
inline constexpr const char* Search360Domain = "so.com";
inline constexpr const char* Search360Host = "www.so.com";
inline constexpr const char* Ad360Domain = "360.cn";
inline constexpr const char* Ad360Host = "e.360.cn";

// Verification pages: what an engine answers a client it distrusts instead of its results. An
// answer counts as one when the address it ended on (after the redirects) lies on the
// verification host or path, or when the page's title is the verification title (UTF-8, as the
// engines send their pages). An empty marker is not used.
inline constexpr const char* BaiduVerifyHost = "wappass.baidu.com";
inline constexpr const char* BaiduVerifyTitle = "百度安全验证";
inline constexpr const char* SogouVerifyPath = "/antispider/";
inline constexpr const char* Search360VerifyHost = "qcaptcha.so.com";
inline constexpr const char* Search360VerifyTitle = "360搜索_安全验证";

}  // namespace vlmr
