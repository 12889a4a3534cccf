// Arbitrary bytes as a settings file: parsing and writing back must keep every byte, and a
// value set must read back, whatever surrounds it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/ProfileText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  vlmr::TProfileText text(bytes);
  if (text.Render() != bytes)
    std::abort();

  // Names taken from the input's own lines as well as fixed ones.
  std::string section = "config", key = "first";
  std::size_t open = bytes.find('[');
  std::size_t close = bytes.find(']', open == std::string_view::npos ? 0 : open);
  if (open != std::string_view::npos && close != std::string_view::npos) {
    std::string name(bytes.substr(open + 1, close - open - 1));
    if (vlmr::TProfileText::IsValidSectionName(name))
      section = name;
  }
  text.Keys(section);
  text.Find(section, key);

  text.Set(section, key, "1");
  text.Set("new section", "k", "\"v\"");
  vlmr::TProfileText again(text.Render());
  if (again.Find(section, key) != "1")
    std::abort();
  if (again.Find("new section", "k") != "v")
    std::abort();
  if (again.Render() != text.Render())
    std::abort();

  again.Remove(section, key);
  again.RemoveSection(section);
  if (again.Find(section, key).has_value())
    std::abort();
  return 0;
}
