// The redirects a browser follows on a page that only sends its reader on: a
// <meta http-equiv="refresh" content="N;url=..."> with a delay of at most 10 seconds, and, on a
// page with next to nothing to read (under 512 bytes of text), the plain script forms
// `location.href = "..."`, `window.location = "..."` (also document., top., self.),
// `location.replace("...")` and `location.assign("...")` inside a <script> element. Texts are
// GBK.
#pragma once

#include <string>
#include <string_view>

namespace vlmr {

// The address the page sends its reader to, as written; empty when it sends none.
std::string PageRedirectTarget(std::string_view page);

// `target` made absolute against the page's address `from` (MakeAbsolute's reading); empty when
// it names a scheme other than http or https, or nothing.
std::string RedirectAddress(std::string_view from, std::string_view target);

}  // namespace vlmr
