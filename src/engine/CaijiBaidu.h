// The Baidu result-page collector. It pages through Baidu's results for the keyword from its
// start page; on each page it cuts out the promoted blocks (with the advertiser name Baidu
// certifies) and the ordinary blocks, and starts one Baidu-flavour crawler per result, handing
// it the link, the title, the certified mark and the cookie of Baidu's session. It has no end
// of its own: it runs until asked to stop. A page that could not be fetched (three failed
// attempts, or a body of 1500 bytes or less) is tried again on the next turn; so is a
// verification page, after the cool-down (see Collector.h).
//
// The last page analysed is kept in the file "2.txt" of the current directory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Collector.h"

namespace vlmr {

class TCaijiBaidu : public TCollectorThread {
 public:
  TCaijiBaidu(TWindowHandle window, std::string keyword, int startPage);

  // The address of result page `page` for a keyword (GBK).
  static std::string PageAddress(const std::string& keyword, int page);

  // Test seam: the folder of "2.txt" (empty: the current directory).
  static void SetLastPageFolderForTesting(std::string folder);

  static constexpr std::size_t kMinBodyBytes = 1500;  // a body must be longer than this
  static constexpr int kAttempts = 3;

 protected:
  TGate PageGate() const override { return TGate::BaiduPage; }
  bool ProcessPage() override;

 private:
  enum class TOutcome { Counted, NotCounted, Verification };
  // Fetches and analyses page_.
  TOutcome FetchAndAnalyse();
  void PromotedPass(const std::vector<std::string>& blocks);
  void OrdinaryPass(const std::vector<std::string>& blocks);
  // EnterSite for a Baidu result: its title, link, certification (1: certified) and the
  // session's cookie. False on a stop.
  bool EnterBaiduSite(const std::string& title, const std::string& link, std::uint8_t certified);
  void WriteLastPage(const std::string& text) const;

  std::string cookie_;  // the Cookie header of the last result page, for the crawlers
};

}  // namespace vlmr
