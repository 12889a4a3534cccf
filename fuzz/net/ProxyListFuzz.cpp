// The proxy list reader on arbitrary bytes, as a list file or a line typed into the dialog
// hands them over: every proxy it takes must read back the same from its stored form, and its
// display form must not hold its password.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/ProxyList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  vlmr::TProxyListParse parsed = vlmr::ParseProxyList(bytes);
  for (const vlmr::TProxy& proxy : parsed.proxies) {
    vlmr::TProxy again;
    if (vlmr::ParseProxy(proxy.StoredForm(), again) != vlmr::TProxyError::None ||
        !(again == proxy)) {
      std::abort();
    }
    // The display form depends on whether there is a password, never on what it is.
    vlmr::TProxy other = proxy;
    other.password = proxy.password.empty() ? "" : "x";
    if (other.Display() != proxy.Display()) {
      std::abort();
    }
  }
  return 0;
}
