#include "net/ProxyList.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/Text.h"
#include "net/ProxyStore.h"
#include "support/TempFolder.h"

namespace vlmr {
namespace {

TEST(ProxyList, ParsesEveryKindAndBothCredentialForms) {
  struct TCase {
    const char* line;
    TProxyKind kind;
    const char* host;
    int port;
    const char* user;
    const char* password;
    const char* curl;
  };
  const TCase cases[] = {
      {"127.0.0.1:8080", TProxyKind::Http, "127.0.0.1", 8080, "", "", "http://127.0.0.1:8080"},
      {"  HTTP://proxy.example.com:3128/  ", TProxyKind::Http, "proxy.example.com", 3128, "", "",
       "http://proxy.example.com:3128"},
      // The tunnelling kind is spoken to in plain HTTP.
      {"https://10.0.0.2:443", TProxyKind::HttpsConnect, "10.0.0.2", 443, "", "",
       "http://10.0.0.2:443"},
      {"socks5://u:p@h:1080", TProxyKind::Socks5, "h", 1080, "u", "p", "socks5://h:1080"},
      {"socks5h://h:1080", TProxyKind::Socks5Hostname, "h", 1080, "", "", "socks5h://h:1080"},
      {"http://[::1]:8888", TProxyKind::Http, "::1", 8888, "", "", "http://[::1]:8888"},
      // Escapes let a password hold '@' and ':'; the last '@' ends the credentials.
      {"http://me%40corp:a%3Ab@c@h:1", TProxyKind::Http, "h", 1, "me@corp", "a:b@c", "http://h:1"},
      {"h:2 alice s3cret", TProxyKind::Http, "h", 2, "alice", "s3cret", "http://h:2"},
      {"socks5://h:3\tbob", TProxyKind::Socks5, "h", 3, "bob", "", "socks5://h:3"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.line);
    TProxy p;
    ASSERT_EQ(ParseProxy(c.line, p), TProxyError::None);
    EXPECT_EQ(p.kind, c.kind);
    EXPECT_EQ(p.host, c.host);
    EXPECT_EQ(p.port, c.port);
    EXPECT_EQ(p.user, c.user);
    EXPECT_EQ(p.password, c.password);
    EXPECT_EQ(p.CurlAddress(), c.curl);
    // The stored form reads back as the same proxy.
    TProxy again;
    ASSERT_EQ(ParseProxy(p.StoredForm(), again), TProxyError::None);
    EXPECT_EQ(again, p);
  }
}

TEST(ProxyList, BadLinesSayWhy) {
  struct TCase {
    const char* line;
    TProxyError error;
  };
  const TCase cases[] = {
      {"   ", TProxyError::Empty},
      {"ftp://h:21", TProxyError::BadScheme},
      {"socks4://h:1080", TProxyError::BadScheme},
      {"http://:8080", TProxyError::BadHost},
      {"http://bad host:80", TProxyError::BadPort},  // the blank splits it into fields
      {"http://ba$d:80", TProxyError::BadHost},
      {"http://[::1:80", TProxyError::BadHost},
      {"socks5h://[.]:10", TProxyError::BadHost},  // brackets hold an IPv6 address only
      {"http://h", TProxyError::BadPort},
      {"http://h:", TProxyError::BadPort},
      {"http://h:0", TProxyError::BadPort},
      {"http://h:65536", TProxyError::BadPort},
      {"http://h:80x", TProxyError::BadPort},
      {"http://h:9999999999", TProxyError::BadPort},
      {"http://h:80/path", TProxyError::BadPath},
      {"http://u:%zz@h:80", TProxyError::BadEncoding},
      {"http://u:%4@h:80", TProxyError::BadEncoding},
      {"http://u:p@h:80 other secret", TProxyError::TwoCredentials},
      {"h:80 u p extra", TProxyError::ExtraFields},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.line);
    TProxy p;
    p.host = "untouched";
    EXPECT_EQ(ParseProxy(c.line, p), c.error);
    EXPECT_EQ(p.host, "untouched");
    EXPECT_FALSE(ProxyErrorText(c.error).empty());
  }
}

TEST(ProxyList, ListFileTakesGoodLinesAndNumbersBadOnes) {
  const std::string file =
      "# office proxies\r\n"
      "http://a:1\r\n"
      "\n"
      "   # indented comment\n"
      "socks5://u:p@b:2\n"
      "nonsense\n"
      "http://a:1\n"  // the same exit again: taken once
      "https://c:3";  // no final line break
  TProxyListParse parsed = ParseProxyList(file);
  ASSERT_EQ(parsed.proxies.size(), 3u);
  EXPECT_EQ(parsed.proxies[0].Key(), "http://a:1");
  EXPECT_EQ(parsed.proxies[1].Key(), "socks5://b:2");
  EXPECT_EQ(parsed.proxies[2].Key(), "https://c:3");
  ASSERT_EQ(parsed.errors.size(), 1u);
  EXPECT_EQ(parsed.errors[0].line, 6);
  EXPECT_EQ(parsed.errors[0].error, TProxyError::BadPort);
}

TEST(ProxyList, DisplayNeverHoldsThePassword) {
  TProxy p;
  ASSERT_EQ(ParseProxy("socks5://alice:Sup3rS3cret@h:1080", p), TProxyError::None);
  EXPECT_EQ(p.Display(), "socks5://alice:***@h:1080");
  EXPECT_EQ(p.Key(), "socks5://h:1080");
  EXPECT_EQ(p.Display().find("Sup3rS3cret"), std::string::npos);
  ASSERT_EQ(ParseProxy("h:1", p), TProxyError::None);
  EXPECT_EQ(p.Display(), "http://h:1");
}

TEST(ProxyStore, KeepsTheListForItsOwnerOnly) {
  test::TTempFolder folder;
  const std::string path = folder.File("cfg/vlmr/proxies.ini");
  TProxyStore store(path);
  EXPECT_EQ(store.Load(), TProxySettings{});  // no file yet

  TProxySettings settings;
  settings.sitesThroughProxies = true;
  for (const char* line : {"socks5://u:p%3D;#x@h:1", "https://c:3", "h:2 bob pw"}) {
    TProxy p;
    ASSERT_EQ(ParseProxy(line, p), TProxyError::None);
    settings.proxies.push_back(p);
  }
  ASSERT_TRUE(store.Save(settings));
  EXPECT_EQ(store.Load(), settings);

  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(stat(folder.File("cfg/vlmr").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0077, 0u);

  // A file someone loosened is tightened on the next load; an entry spoiled by hand is left
  // out and counted, the others stay.
  {
    std::ofstream out(path, std::ios::app);
    out << "proxy9=ftp://x:1\n";
  }
  chmod(path.c_str(), 0644);
  int bad = 0;
  EXPECT_EQ(store.Load(&bad).proxies.size(), 3u);
  EXPECT_EQ(bad, 1);
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
}  // namespace vlmr
