#include "engine/PageRedirect.h"

#include "base/Text.h"
#include "engine/PageText.h"
#include "engine/ReadableText.h"
#include "engine/SiteLinks.h"

namespace vlmr {
namespace {

constexpr double kMaxRefreshSeconds = 10;
constexpr std::size_t kMaxTextBytes = 512;
constexpr std::size_t kMaxTargetBytes = 2048;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && (IsBlank(s.front()) || s.front() == '"' || s.front() == '\'')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '"' || s.back() == '\'')) {
    s.remove_suffix(1);
  }
  return s;
}

std::string RefreshTarget(std::string_view page, std::string_view lowered) {
  std::size_t pos = 0;
  while ((pos = lowered.find("<meta", pos)) != std::string_view::npos) {
    const std::size_t end = lowered.find('>', pos);
    const std::size_t size = end == std::string_view::npos ? lowered.size() - pos : end - pos;
    const std::string_view tag = page.substr(pos, size);
    pos += 5;
    if (!SameText(TrimView(TagAttribute(tag, "http-equiv")), "refresh")) {
      continue;
    }
    const std::string content = TagAttribute(tag, "content");
    // "N;url=...", "N; URL='...'", "N,url=..."
    std::size_t i = 0;
    double delay = 0;
    bool digits = false;
    while (i < content.size() && ((content[i] >= '0' && content[i] <= '9') || content[i] == '.')) {
      if (content[i] != '.' && delay < 1000) {
        delay = delay * 10 + (content[i] - '0');
      }
      digits = true;
      ++i;
    }
    if (!digits || delay > kMaxRefreshSeconds) {
      continue;
    }
    const std::string lowContent = GbkLower(content);
    const std::size_t url = lowContent.find("url", i);
    if (url == std::string::npos) {
      continue;
    }
    std::size_t v = url + 3;
    while (v < content.size() && IsBlank(content[v])) {
      ++v;
    }
    if (v >= content.size() || content[v] != '=') {
      continue;
    }
    const std::string_view target = TrimView(std::string_view(content).substr(v + 1));
    if (!target.empty() && target.size() <= kMaxTargetBytes) {
      return std::string(target);
    }
  }
  return {};
}

// The quoted text at `pos` (blanks first), or empty.
std::string_view QuotedAt(std::string_view text, std::size_t pos) {
  while (pos < text.size() && IsBlank(text[pos])) {
    ++pos;
  }
  if (pos >= text.size() || (text[pos] != '"' && text[pos] != '\'')) {
    return {};
  }
  const std::size_t end = text.find(text[pos], pos + 1);
  if (end == std::string_view::npos || end - pos - 1 > kMaxTargetBytes) {
    return {};
  }
  return text.substr(pos + 1, end - pos - 1);
}

// The target of the first script form in a script's text.
std::string ScriptTarget(std::string_view script, std::string_view lowered) {
  std::size_t pos = 0;
  while ((pos = lowered.find("location", pos)) != std::string_view::npos) {
    pos += 8;
    std::size_t i = pos;
    std::string_view rest = lowered.substr(i);
    if (rest.starts_with(".href")) {
      i += 5;
    } else if (rest.starts_with(".replace") || rest.starts_with(".assign")) {
      i += rest.starts_with(".replace") ? 8 : 7;
      while (i < lowered.size() && IsBlank(lowered[i])) {
        ++i;
      }
      if (i < lowered.size() && lowered[i] == '(') {
        if (std::string_view t = QuotedAt(script, i + 1); !t.empty()) {
          return std::string(t);
        }
      }
      continue;
    }
    while (i < lowered.size() && IsBlank(lowered[i])) {
      ++i;
    }
    if (i + 1 < lowered.size() && lowered[i] == '=' && lowered[i + 1] != '=') {
      if (std::string_view t = QuotedAt(script, i + 1); !t.empty()) {
        return std::string(t);
      }
    }
  }
  return {};
}

std::string ScriptsTarget(std::string_view page, std::string_view lowered) {
  std::size_t pos = 0;
  while ((pos = lowered.find("<script", pos)) != std::string_view::npos) {
    const std::size_t open = lowered.find('>', pos);
    if (open == std::string_view::npos) {
      break;
    }
    std::size_t close = lowered.find("</script", open);
    if (close == std::string_view::npos) {
      close = lowered.size();
    }
    if (TagAttribute(page.substr(pos, open - pos), "src").empty()) {
      std::string target = ScriptTarget(page.substr(open + 1, close - open - 1),
                                        lowered.substr(open + 1, close - open - 1));
      if (!target.empty()) {
        return target;
      }
    }
    pos = close;
  }
  return {};
}

std::size_t TextBytes(std::string_view page) {
  std::size_t n = 0;
  // The readable copy ends with the page's contact values; those count as text too.
  for (char c : ReadableText(page)) {
    n += IsBlank(c) ? 0 : 1;
  }
  return n;
}

}  // namespace

std::string PageRedirectTarget(std::string_view page) {
  const std::string lowered = LowerBytes(page);
  if (lowered.find("<meta") != std::string::npos) {
    if (std::string target = RefreshTarget(page, lowered); !target.empty()) {
      return target;
    }
  }
  if (lowered.find("location") == std::string::npos || TextBytes(page) >= kMaxTextBytes) {
    return {};
  }
  return ScriptsTarget(page, lowered);
}

std::string RedirectAddress(std::string_view from, std::string_view target) {
  const std::string_view t = TrimView(target);
  const std::size_t colon = t.find(':');
  const std::size_t pathStart = t.find_first_of("/?#");
  if (colon != std::string_view::npos &&
      (pathStart == std::string_view::npos || colon < pathStart)) {
    const std::string scheme = GbkLower(t.substr(0, colon));
    if (scheme != "http" && scheme != "https") {
      return {};
    }
  }
  for (char c : t) {
    if (static_cast<unsigned char>(c) < ' ') {
      return {};
    }
  }
  return MakeAbsolute(HostOfUrl(from), t);
}

}  // namespace vlmr
