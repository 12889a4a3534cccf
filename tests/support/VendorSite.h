// The vendor's web service on the simulated web: a host whose answers come from a folder, as
// the vendor service (tools/vlmrsvc) gives them, plus helpers that fill such a folder.
#pragma once

#include <string>

#include "support/SimulatedWeb.h"

namespace vlmr::test {

// Every request to `host` is answered from `folder` by the vendor service's rules.
void AddVendorSite(TSimulatedWeb& web, const std::string& host, const std::string& folder);

// Writes `folder`/config.txt: the XML text (UTF-8) enciphered as the service serves it.
void WriteVendorConfig(const std::string& folder, const std::string& xmlUtf8);

}  // namespace vlmr::test
