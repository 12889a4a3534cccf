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

}  // namespace vlmr
