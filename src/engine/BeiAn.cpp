#include "engine/BeiAn.h"

#include <vector>

#include "base/Text.h"
#include "engine/PageText.h"
#include "engine/RegExp.h"
#include "engine/records/KeyUnit.h"

namespace vlmr {
namespace {

bool IsFilingSuffix(std::string_view label) {
  for (const char* suffix : kFilingSuffixes) {
    if (label == suffix) {
      return true;
    }
  }
  return false;
}

// The first plain cell of a row, trimmed: after its first "<td>" up to the next "</td>" (to
// the end of the row without one); empty when the row has no plain cell. "<" never ends a
// double-byte character, so the byte search cannot start inside one.
std::string FirstPlainCell(std::string_view row) {
  return Trim(TextBetween("<td>", "</td>", row));
}

}  // namespace

std::string RegisteredDomain(std::string_view address, bool* hostFound) {
  std::string text = GbkLower(address);
  if (text.find("http://") != std::string::npos) {
    text.erase(0, 7);
  } else if (text.rfind("https://", 0) == 0) {
    // Most company sites answer over TLS now; their filing is looked up all the same.
    text.erase(0, 8);
  } else {
    text = Trim(text);
  }
  std::size_t end = 0;
  while (end < text.size() && text[end] != '/' && static_cast<unsigned char>(text[end]) > ' ') {
    ++end;
  }
  std::string_view host = std::string_view(text).substr(0, end);
  if (hostFound) {
    *hostFound = !host.empty();
  }
  std::vector<std::string_view> labels;
  for (std::size_t start = 0; !host.empty();) {
    std::size_t dot = host.find('.', start);
    labels.push_back(host.substr(start, dot == std::string_view::npos ? dot : dot - start));
    if (dot == std::string_view::npos) {
      break;
    }
    start = dot + 1;
  }
  for (std::size_t i = 1; i < labels.size(); ++i) {
    if (IsFilingSuffix(labels[i])) {
      std::string domain(labels[i - 1]);
      for (std::size_t j = i; j < labels.size(); ++j) {
        domain += '.';
        domain += labels[j];
      }
      return domain;
    }
  }
  return {};
}

std::string ReadFiledName(TRegExp& re, std::string_view pageGbk) {
  static const std::string kRow = Utf8ToGbk(R"(<tr>([\s\S]*?)</tr>)");
  static const std::string kSponsor = Utf8ToGbk("主办单位");
  static const std::string kSiteName = Utf8ToGbk("网站名称");
  std::string sponsor, siteName;
  for (const auto& row : re.FindAll(pageGbk, kRow)) {
    if (row.empty()) {
      continue;
    }
    if (FindGbk(row, kSponsor) != std::string::npos) {
      sponsor = FirstPlainCell(row);
    } else if (FindGbk(row, kSiteName) != std::string::npos) {
      siteName = FirstPlainCell(row);
      break;
    }
  }
  if (sponsor.size() >= kMinFiledNameBytes) {
    return sponsor;
  }
  if (siteName.size() >= kMinFiledNameBytes) {
    return siteName;
  }
  return {};
}

THttpSettings TBeiAn::ClientSettings() {
  THttpSettings settings = THttpSettings::Full();
  settings.userAgent = kEngineUserAgent;
  return settings;
}

TBeiAn::TBeiAn() : TBeiAn(ClientSettings()) {}

TBeiAn::TBeiAn(THttpSettings settings)
    : http_(std::move(settings)), re_(std::make_unique<TRegExp>()) {}

TBeiAn::~TBeiAn() = default;

std::string TBeiAn::Lookup(std::string_view address) {
  bool hostFound = false;
  std::string domain = RegisteredDomain(address, &hostFound);
  if (!hostFound) {
    return {};
  }
  // The request goes out even for an empty domain: the site answers it with a page of its own.
  http_.SetReferer(IcpSiteRoot);
  std::string body;
  if (!http_.Get(std::string(IcpSiteRoot) + "yuming/" + domain + "/", body)) {
    throw EBeiAnError(http_.LastError(), "filing lookup failed: " + http_.LastErrorText());
  }
  if (body.empty()) {
    return {};
  }
  std::string page = Utf8ToGbk(body);
  if (page.empty()) {
    return {};
  }
  return ReadFiledName(*re_, page);
}

}  // namespace vlmr
