// Reading the served configuration: the enciphered body is decoded with the configuration key
// and read as an XML document in GBK. Only the first top-level element is walked:
//   <version>  its <vlmr> (program package) and <vlmrupdate> (updater package) children
//   <system>   the text of its first <loginurl> child: the service base address
// Names match exactly; a missing attribute is empty; an element's text is its first text
// content, trimmed. Later elements overwrite what earlier ones set.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "net/UpDateInfo.h"

namespace vlmr {

struct TConfigDocument {
  std::unique_ptr<TUpDateInfo> info;
  // Set by each <system> element (empty when it has no <loginurl>); none without one.
  std::optional<std::string> serviceBaseUrl;
};

// The decoded body parsed; nothing when it yields no complete top-level element.
// Renewing the updater at `updaterPath` (an offered version newer than UpdaterVersionOf)
// ends the processes running that very file and deletes it while the document is walked.
std::optional<TConfigDocument> ReadConfigDocument(const std::string& body,
                                                  const std::string& updaterPath);

// `ver` of <vlmr>: a decimal number with "." as separator whatever the locale; text that is
// not a number reads as 1.0.
double ReadVersionNumber(std::string_view text);
// A `crc` attribute: a signed 64-bit decimal integer cut to its low 32 bits; 0 when not a number.
std::uint32_t ReadCrc(std::string_view text);

}  // namespace vlmr
