#include "platform/Shortcut.h"

#include "base/Text.h"
#include "platform/FileIo.h"

namespace vlmr {
namespace {

// Launcher values are UTF-8. A description that is not UTF-8 is taken as GBK.
std::string AsUtf8(std::string_view text) {
  return IsValidUtf8(text) ? std::string(text) : GbkToUtf8(text);
}

// A value of string type: backslash and the control characters written as escapes.
std::string EscapeValue(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

// One Exec argument in double quotes: inside them ", `, $ and \ take a backslash, and % is
// doubled so that it is not read as a field code.
std::string QuoteExecArgument(std::string_view argument) {
  std::string out = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (c == '%') {
      out += "%%";
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
  return out;
}

std::string DoublePercent(std::string_view text) {
  return ReplaceAll(text, "%", "%%");
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

bool HasPlatformExtension(const std::string& linkPath) {
  std::size_t slash = linkPath.rfind('/');
  std::string_view name =
      std::string_view(linkPath).substr(slash == std::string::npos ? 0 : slash + 1);
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) {
    return false;
  }
  return GbkUpper(name.substr(dot)) == GbkUpper(kShortcutExtension);
}

}  // namespace

void CreateShortcutFile(const std::string& target, const std::string& arguments,
                        const std::string& linkPath, const std::string& description,
                        const std::string& iconPath) {
  if (!HasPlatformExtension(linkPath) || target.empty() || HasLineBreak(target) ||
      HasLineBreak(arguments) || HasLineBreak(iconPath)) {
    return;
  }
  std::size_t slash = target.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash);
  if (slash == 0) {
    folder = "/";
  }
  std::string name =
      description.empty() ? target.substr(slash == std::string::npos ? 0 : slash + 1) : description;

  std::string exec = QuoteExecArgument(target);
  if (!Trim(arguments).empty()) {
    exec += " " + DoublePercent(arguments);
  }
  std::string content = "[Desktop Entry]\n";
  content += "Type=Application\n";
  content += "Name=" + EscapeValue(AsUtf8(name)) + "\n";
  if (!description.empty()) {
    content += "Comment=" + EscapeValue(AsUtf8(description)) + "\n";
  }
  content += "Exec=" + EscapeValue(exec) + "\n";
  if (!iconPath.empty()) {
    content += "Icon=" + EscapeValue(iconPath) + "\n";
  }
  if (!folder.empty()) {
    content += "Path=" + EscapeValue(folder) + "\n";
  }
  content += "Terminal=false\n";
  ReplaceFile(linkPath, content, 0755);
}

}  // namespace vlmr
