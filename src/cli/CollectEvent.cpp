#include "cli/CollectEvent.h"

#include <cstdio>

#include "base/StringList.h"
#include "base/Text.h"
#include "base/Utils.h"

namespace vlmr {
namespace {

std::string JsonText(const std::string& gbk) {
  return JsonString(GbkToUtf8(gbk));
}

std::string JsonList(const TUniqueStringList& values) {
  std::string out = "[";
  for (const std::string& value : values) {
    if (out.size() > 1) {
      out += ',';
    }
    out += JsonText(value);
  }
  return out + "]";
}

// One value per kind of contact, as the grid joins them.
std::string Joined(const TUniqueStringList& values) {
  std::string out;
  for (const std::string& value : values) {
    AppendWithSeparator(out, GbkToUtf8(value), ",");
  }
  return out;
}

}  // namespace

const char* EngineName(TEngineIndex engine) {
  switch (engine) {
    case ENGINE_BAIDU:
      return "baidu";
    case ENGINE_SOGOU:
      return "sogou";
    case ENGINE_360:
      return "360";
  }
  return "baidu";
}

const char* TaskEndName(TTaskEnd end) {
  switch (end) {
    case TTaskEnd::Idle:
      return "idle";
    case TTaskEnd::Time:
      return "time";
    case TTaskEnd::Interrupted:
      return "interrupted";
    case TTaskEnd::Engines:
      return "engines";
    case TTaskEnd::Failed:
      return "failed";
  }
  return "failed";
}

std::string JsonString(std::string_view utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string PlainLine(const TCollectEvent& event) {
  const std::string keyword = GbkToUtf8(event.keyword);
  switch (event.kind) {
    case TCollectEvent::TKind::Company: {
      const TComPanyInfo& c = *event.company;
      return "company\t" + keyword + "\t" + GbkToUtf8(c.GetComName()) + "\t" + Joined(c.mobiles) +
             "\t" + GbkToUtf8(c.webUrl);
    }
    case TCollectEvent::TKind::Page:
      return "page\t" + keyword + "\t" + EngineName(event.engine) + "\t" +
             std::to_string(event.page);
    case TCollectEvent::TKind::Verification:
      return "verification\t" + keyword + "\t" + EngineName(event.engine);
    case TCollectEvent::TKind::Ended:
      return "ended\t" + keyword + "\t" + TaskEndName(event.end) + "\t" +
             std::to_string(event.companies);
  }
  return {};
}

std::string JsonLine(const TCollectEvent& event) {
  const std::string keyword = JsonText(event.keyword);
  switch (event.kind) {
    case TCollectEvent::TKind::Company: {
      const TComPanyInfo& c = *event.company;
      return R"({"event":"company","keyword":)" + keyword + R"(,"name":)" +
             JsonText(c.GetComName()) + R"(,"mobiles":)" + JsonList(c.mobiles) + R"(,"tels":)" +
             JsonList(c.tels) + R"(,"qqs":)" + JsonList(c.qqs) + R"(,"emails":)" +
             JsonList(c.emails) + R"(,"address":)" + JsonText(c.address) + R"(,"url":)" +
             JsonText(c.webUrl) + R"(,"source":)" + JsonText(c.source) + "}";
    }
    case TCollectEvent::TKind::Page:
      return R"({"event":"page","keyword":)" + keyword + R"(,"engine":")" +
             EngineName(event.engine) + R"(","page":)" + std::to_string(event.page) + "}";
    case TCollectEvent::TKind::Verification:
      return R"({"event":"verification","keyword":)" + keyword + R"(,"engine":")" +
             EngineName(event.engine) + "\"}";
    case TCollectEvent::TKind::Ended:
      return R"({"event":"ended","keyword":)" + keyword + R"(,"reason":")" +
             TaskEndName(event.end) + R"(","companies":)" + std::to_string(event.companies) + "}";
  }
  return {};
}

}  // namespace vlmr
