// The filing lookup: the name of the organisation that filed a site, read from an ICP filing
// lookup site. The address is reduced to its registered domain, the site's filing page for that
// domain is fetched, and the sponsor ("主办单位") or, failing that, the site name ("网站名称")
// is taken from the page's table when it is long enough to be a real name.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "net/HttpClient.h"

namespace vlmr {

class TRegExp;

// Root address of the filing lookup site; filing pages are IcpSiteRoot + "yuming/" + domain + "/".
inline constexpr const char* IcpSiteRoot = "http://www.beianbeian.com/";

// Suffix labels after which the registered domain ends.
inline constexpr const char* kFilingSuffixes[] = {"com", "cn",  "net", "org", "tk",
                                                  "gov", "edu", "biz", "info"};

// A name is accepted when it is longer than this many GBK bytes (six Chinese characters or
// eleven ASCII ones at least).
inline constexpr std::size_t kMinFiledNameBytes = 11;

// The registered domain of an address: lower-cased, "http://" dropped, the host (up to "/", a
// blank or a control character) split into labels; the first label after at least one other
// that is a suffix of kFilingSuffixes ends the domain, which starts one label before it.
// Empty when no label qualifies. `hostFound` tells whether the address had a host at all.
std::string RegisteredDomain(std::string_view address, bool* hostFound = nullptr);

// The filed name on a filing page (GBK): the last sponsor row's first plain cell, else the
// site-name row's, when longer than kMinFiledNameBytes - 1; else empty. Rows after the
// site-name row are not read.
std::string ReadFiledName(TRegExp& re, std::string_view pageGbk);

// A lookup request that failed: a network failure, a time-out, an error status.
class EBeiAnError : public std::runtime_error {
 public:
  EBeiAnError(THttpError error, const std::string& message)
      : std::runtime_error(message), error_(error) {}
  THttpError Error() const { return error_; }

 private:
  THttpError error_;
};

class TBeiAn {
 public:
  // The full client with the Firefox user agent; cookies last as long as the object.
  static THttpSettings ClientSettings();

  TBeiAn();
  explicit TBeiAn(THttpSettings settings);
  ~TBeiAn();
  TBeiAn(const TBeiAn&) = delete;
  TBeiAn& operator=(const TBeiAn&) = delete;

  // The filed name for the site at `address`, or empty. An address without a host gives empty
  // without a request. Raises EBeiAnError when the request fails; the object stays usable.
  std::string Lookup(std::string_view address);

  // For the owner: a stop query asked while a request runs, and an abort from any thread.
  void SetStopQuery(std::function<bool()> query) { http_.SetStopQuery(std::move(query)); }
  void Abort() { http_.Abort(); }
  // The lookups from now on go through `proxy` (nullopt: direct).
  void SetProxy(const std::optional<TProxy>& proxy) { http_.SetProxy(proxy); }

 private:
  THttpClient http_;
  std::unique_ptr<TRegExp> re_;
};

}  // namespace vlmr
