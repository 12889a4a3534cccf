#include "net/ConfigDocument.h"

#include <pugixml.hpp>

#include <charconv>
#include <filesystem>
#include <system_error>

#include "base/Text.h"
#include "base/Utils.h"
#include "base/Version.h"
#include "net/Cipher.h"
#include "net/UpdateInstall.h"
#include "platform/Processes.h"

namespace vlmr {
namespace {

// Attribute texts and element texts go back to GBK, the program's text.
std::string Attribute(const pugi::xml_node& node, const char* name) {
  return Utf8ToGbk(node.attribute(name).value());
}

std::string ElementText(const pugi::xml_node& node) {
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
      return Trim(Utf8ToGbk(child.value()));
  }
  return {};
}

void ReadProgramPackage(const pugi::xml_node& node, TUpDateInfo& info) {
  std::string ver = Attribute(node, "ver");
  if (ver.empty() || !(ReadVersionNumber(ver) > ReadVersionNumber(CONFIG_VERSION)))
    return;
  info.HasUpdate = true;
  info.Forced = Attribute(node, "force") == "1";
  info.PackageUrl = ElementText(node);
  info.PackageCrc = ReadCrc(Attribute(node, "crc"));
  info.PackageVersion = ver;
  info.PackageSha256 = Attribute(node, "sha256");
  info.PackageSig = Attribute(node, "sig");
}

void ReadUpdaterPackage(const pugi::xml_node& node, TUpDateInfo& info,
                        const std::string& updaterPath) {
  std::error_code ec;
  if (std::filesystem::exists(updaterPath, ec)) {
    std::string ver = Attribute(node, "ver");
    if (ver.empty() || !IsNewerVersion(ver, UpdaterVersionOf(updaterPath)))
      return;
    // Only the updater beside this program, not every process of that name.
    KillProcessByPath(updaterPath);
    std::filesystem::remove(updaterPath, ec);
  }
  info.UpdaterWanted = true;
  info.UpdaterUrl = ElementText(node);
  info.UpdaterCrc = ReadCrc(Attribute(node, "crc"));
  info.UpdaterVersion = Attribute(node, "ver");
  info.UpdaterSha256 = Attribute(node, "sha256");
  info.UpdaterSig = Attribute(node, "sig");
}

}  // namespace

double ReadVersionNumber(std::string_view text) {
  std::string t = Trim(text);
  double value = 0;
  const char* first = t.data();
  const char* last = t.data() + t.size();
  auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (t.empty() || ec != std::errc() || end != last)
    return 1.0;
  return value;
}

std::uint32_t ReadCrc(std::string_view text) {
  std::string t = Trim(text);
  std::string_view digits = t;
  if (!digits.empty() && digits.front() == '+')
    digits.remove_prefix(1);
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size())
    return 0;
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) & 0xFFFFFFFFu);
}

std::optional<TConfigDocument> ReadConfigDocument(const std::string& body,
                                                  const std::string& updaterPath) {
  std::string plain;
  DecodeConfigStream(body, plain, kConfigKeyText);
  // The document is GBK whatever its declaration says; the parser reads UTF-8.
  std::string utf8 = GbkToUtf8(plain);
  pugi::xml_document xml;
  pugi::xml_parse_result parsed =
      xml.load_buffer(utf8.data(), utf8.size(), pugi::parse_default, pugi::encoding_utf8);
  pugi::xml_node root = xml.document_element();
  if (!parsed || !root)
    return std::nullopt;

  TConfigDocument doc;
  doc.info = std::make_unique<TUpDateInfo>();
  for (pugi::xml_node child = root.first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_element)
      continue;
    std::string_view name = child.name();
    if (name == "version") {
      for (pugi::xml_node item = child.first_child(); item; item = item.next_sibling()) {
        if (item.type() != pugi::node_element)
          continue;
        std::string_view itemName = item.name();
        if (itemName == "vlmr")
          ReadProgramPackage(item, *doc.info);
        else if (itemName == "vlmrupdate")
          ReadUpdaterPackage(item, *doc.info, updaterPath);
      }
    } else if (name == "system") {
      doc.serviceBaseUrl = ElementText(child.child("loginurl"));
    }
  }
  return doc;
}

}  // namespace vlmr
