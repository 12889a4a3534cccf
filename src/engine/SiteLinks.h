// Links on company pages: the address an anchor points to, and that address made absolute
// against the host the crawler is on.
#pragma once

#include <string>
#include <string_view>

namespace vlmr {

// The value of the anchor's href attribute ("href=" found without regard to case; the value
// keeps its own letter case). A value in double or single quotes ends at the closing quote; an
// unquoted one at the first blank, line break or ">". A missing end keeps the rest whole. No
// href gives an empty text.
std::string HrefOf(std::string_view anchor);

// The value of attribute `name` (lower case, without "=") of a tag, the name matched without
// regard to case after a blank, blanks allowed around "="; quoted or bare as HrefOf reads href.
// Empty when the tag has no such attribute.
std::string TagAttribute(std::string_view tag, std::string_view name);

// The address a link on a page of `host` leads to. "http://" and "https://" links (scheme in
// any case) stand as they are, and "//host/path" becomes "http://host/path". Any other link is
// taken from the site's root: its leading "." and "/" characters are dropped and the rest
// goes after "http://" + host + "/"; a link made only of those characters gives an empty text.
// The path keeps its letter case.
std::string MakeAbsolute(std::string_view host, std::string_view link);

// The host (with its port, if any, without user information) of an address, "http://a.cn:81/x"
// giving "a.cn:81"; an address without a scheme is read from its start.
std::string HostOfUrl(std::string_view url);

}  // namespace vlmr
