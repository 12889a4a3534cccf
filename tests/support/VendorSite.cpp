#include "support/VendorSite.h"

#include <fstream>

#include "VendorKit.h"

namespace vlmr::test {

void AddVendorSite(TSimulatedWeb& web, const std::string& host, const std::string& folder) {
  web.AddHost(host, [folder](const TRequest& request) {
    vendor::TReply reply = vendor::VendorReply(folder, request.path, request.query);
    if (reply.status != 200)
      return TPage::Error(reply.status, "not found");
    return TPage::Bytes(reply.body, reply.contentType);
  });
}

void WriteVendorConfig(const std::string& folder, const std::string& xmlUtf8) {
  std::ofstream out(folder + "/config.txt", std::ios::binary | std::ios::trunc);
  const std::string served = vendor::EncipherConfig(xmlUtf8);
  out.write(served.data(), static_cast<std::streamsize>(served.size()));
}

}  // namespace vlmr::test
