#include "engine/SiteLinks.h"

#include "base/Text.h"

namespace vlmr {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

}  // namespace

std::string HrefOf(std::string_view anchor) {
  constexpr std::string_view kHref = "href=";
  std::size_t pos = FindNoCase(anchor, kHref);
  if (pos == std::string_view::npos) {
    return {};
  }
  std::string_view rest = anchor.substr(pos + kHref.size());
  // Quotes, blanks and ">" are below 0x40, so none of them is ever the second byte of a GBK
  // character: byte searches are safe here.
  std::size_t end = std::string_view::npos;
  if (!rest.empty() && (rest.front() == '"' || rest.front() == '\'')) {
    char quote = rest.front();
    rest.remove_prefix(1);
    end = rest.find(quote);
  } else {
    for (std::size_t i = 0; i < rest.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(rest[i]);
      if (c <= ' ' || c == '>') {
        end = i;
        break;
      }
    }
  }
  if (end != std::string_view::npos) {
    rest = rest.substr(0, end);
  }
  return std::string(rest);
}

std::string TagAttribute(std::string_view tag, std::string_view name) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  const std::string lowered = GbkLower(tag);
  std::size_t at = 0;
  while ((at = lowered.find(name, at)) != std::string::npos) {
    const std::size_t begin = at;
    at += name.size();
    if (begin == 0 || !blank(lowered[begin - 1])) {
      continue;
    }
    std::size_t i = at;
    while (i < tag.size() && blank(tag[i])) {
      ++i;
    }
    if (i >= tag.size() || tag[i] != '=') {
      continue;
    }
    ++i;
    while (i < tag.size() && blank(tag[i])) {
      ++i;
    }
    return HrefOf("href=" + std::string(tag.substr(i)));
  }
  return {};
}

std::string MakeAbsolute(std::string_view host, std::string_view link) {
  if (StartsWithNoCase(link, "http://") || StartsWithNoCase(link, "https://")) {
    return std::string(link);
  }
  if (link.substr(0, 2) == "//") {
    return "http:" + std::string(link);
  }
  std::size_t start = link.find_first_not_of("./");
  if (start == std::string_view::npos) {
    return {};
  }
  std::string address = "http://";
  address += host;
  address += '/';
  address += link.substr(start);
  return address;
}

std::string HostOfUrl(std::string_view url) {
  std::size_t scheme = url.find("://");
  std::string_view rest = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
  std::size_t end = rest.find_first_of("/?#");
  if (end != std::string_view::npos) {
    rest = rest.substr(0, end);
  }
  if (std::size_t at = rest.rfind('@'); at != std::string_view::npos) {
    rest.remove_prefix(at + 1);
  }
  return std::string(rest);
}

}  // namespace vlmr
