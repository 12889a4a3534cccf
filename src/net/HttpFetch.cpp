#include "net/HttpFetch.h"

#include "net/HttpClient.h"

namespace vlmr {

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n')
      continue;
    lines.emplace_back(text.substr(start, i - start));
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
      ++i;
    start = i + 1;
  }
  if (start < text.size())
    lines.emplace_back(text.substr(start));
  return lines;
}

bool FetchPage(const std::string& url, TFetchedPage& page, const std::function<bool()>& stop,
               const std::optional<TProxy>& proxy) {
  try {
    THttpClient client(THttpSettings::Plain(kFetchPageTimeoutMs));
    client.SetProxy(proxy);
    if (stop)
      client.SetStopQuery(stop);
    std::string body;
    if (!client.Get(url, body))
      return false;
    page.body = std::move(body);
    page.contentType = client.ContentType();
    return true;
  } catch (...) {
    return false;
  }
}

bool FetchPageText(const std::string& url, std::vector<std::string>& lines,
                   const std::function<bool()>& stop, const std::optional<TProxy>& proxy) {
  TFetchedPage page;
  if (!FetchPage(url, page, stop, proxy))
    return false;
  try {
    lines = SplitLines(page.body);
    return true;
  } catch (...) {
    return false;
  }
}

bool FetchToStream(const std::string& url, std::string& buffer) {
  try {
    THttpClient client(THttpSettings::Plain(kFetchStreamTimeoutMs));
    std::string body;
    if (!client.Get(url, body))
      return false;
    buffer = std::move(body);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace vlmr
