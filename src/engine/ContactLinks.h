// Contact links by any sign a reader or a search engine would take: the link's text (markup
// inside it, such as <span>, <font>, <b> or an icon, does not count), its title, the alt text of
// an image inside it, or its address. Texts are GBK.
//
// Words (text, title, alt; whole after trimming blanks and "&nbsp;", ASCII in any case):
// 联系我们, 联系方式, 联络我们, 聯絡我們, 聯繫我們, Contact, Contact Us, ContactUs.
// Addresses: the last path segment, without its extension and letter case, is contact,
// contactus, contact-us, contact_us, lianxi, lianxiwomen, lxwm or lxfs.
#pragma once

#include <string>
#include <string_view>

namespace vlmr {

// The first anchor (from "<a" to its "</a>") whose text, title or alt says so; failing that, the
// first whose address does; empty when there is none.
std::string FindContactLinkBySign(std::string_view page);

}  // namespace vlmr
