// The patterns the collectors, the site crawler and the filing lookup run through FindAll, as GBK
// text, for the benchmark and the fuzzers.
#pragma once

#include <string>
#include <vector>

#include "base/Text.h"
#include "engine/records/EngineSettings.h"

namespace vlmr::patterns {

struct TNamedPattern {
  std::string name;
  std::string gbk;
};

inline std::vector<TNamedPattern> EnginePatterns() {
  const std::string lazyAnchorEnd = R"([^>]*>(?:.|[\r\n])*?</a>)";
  std::vector<TNamedPattern> list = {
      {"promoted_block", R"(<div id="[^>]*(data-click=)[^>]*>([\s\S]*?)推广)"},
      {"ordinary_block", R"(<div[^>]*(srcid=)[^>]*>([\s\S]*?)(快照))"},
      {"baidu_ad_link", std::string("<a[^>]*") + BaiduDomain + "/baidu.php?" + lazyAnchorEnd},
      {"sogou_ad_link",
       std::string("<a[^>]*http://") + SogouSearchHost + "/bill_cpc?" + lazyAnchorEnd},
      {"ad360_link", std::string("<a[^>]*http://") + Ad360Host + "/search/eclk?" + lazyAnchorEnd},
      {"other_link", R"(<a[^>]*http://[^>]*>(?:.|[\r\n])*?</a>)"},
      {"title", R"(<title[^>]*>[^>]*</title>)"},
      {"contact_us", R"(<a[^>]*>[^>]*联系我们[^>]*</a>)"},
      {"contact_way", R"(<a[^>]*>[^>]*联系方式[^>]*</a>)"},
      {"about_us", R"(<a[^>]*>[^>]*关于我们[^>]*</a>)"},
      {"contact", R"(<a[^>]*>[^>]*联系[^>]*</a>)"},
      {"contact_exact", R"(<a[^>]*>联系我们</a>)"},
      {"landline", R"((\d{3,4}-)?\d{7,8})"},
      {"landline_dashed", R"((\d{3}-)(\d{3,4}-)(\d{3,4}))"},
      {"mobile",
       R"((134|135|136|137|138|139|147|150|151|152|157|158|159|178|182|183|184|187|188|130|131|132|145|155|156|176|185|186|133|153|177|180|181|189)\d{8})"},
      {"email", R"([A-Z0-9._%+-]+@[A-Z0-9.-]+\.[A-Z]{2,4})"},
      {"qq", R"(uin=[\d]*&)"},
      {"address", R"(地.*址\S*)"},
      {"table_row", R"(<tr>([\s\S]*?)</tr>)"},
  };
  for (auto& p : list) {
    p.gbk = Utf8ToGbk(p.gbk);
  }
  return list;
}

}  // namespace vlmr::patterns
