// Files written by temporary file and rename survive a crash at any moment whole: a child
// process rewrites the profile file or the registry store as fast as it can and is killed with
// SIGKILL at random moments; afterwards the file holds either the last value whose write had
// returned or the one being written, never a mix, a cut-off file or nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <random>
#include <string>

#include "platform/ProfileFile.h"
#include "platform/Registry.h"
#include "platform/TempFolder.h"
#include "platform/UserFolders.h"
#include "support/KilledChild.h"

namespace vlmr {
namespace {

constexpr const char* kInstallKey = "HKEY_CURRENT_USER\\SOFTWARE\\tarnwelt\\vlmr";

// Value number n: the number, then a body long enough that a write takes a while, ending in the
// number again so that a file cut short or mixed from two writes shows.
std::string ValueOf(long n) {
  const std::string number = std::to_string(n);
  std::string body = number + ":";
  while (body.size() < 16 * 1024) {
    body += "0123456789abcdef";
  }
  return body + ":" + number;
}

struct TStore {
  const char* name;
  std::function<bool(const std::string& folder, const std::string& value)> write;
  std::function<std::string(const std::string& folder)> read;  // "" when missing
};

const TStore kStores[] = {
    {"profile file",
     [](const std::string& folder, const std::string& value) {
       return TProfileFile(folder + "/kqclient.cfg").WriteString("config", "p", value);
     },
     [](const std::string& folder) {
       return TProfileFile(folder + "/kqclient.cfg").ReadString("config", "p", "");
     }},
    {"registry store",
     [](const std::string&, const std::string& value) {
       return WriteRegistryString(kInstallKey, "install", value);
     },
     [](const std::string&) { return ReadRegistryString(kInstallKey, "install").value_or(""); }},
};

TEST(CrashSafety, RewrittenFilesAreOldOrNewAfterAKill) {
  constexpr int kKills = 30;
  std::mt19937 random(20261210);
  for (const TStore& store : kStores) {
    SCOPED_TRACE(store.name);
    test::TTempFolder folder;
    SetUserFoldersRootForTesting(folder.Path());
    ASSERT_TRUE(store.write(folder.Path(), ValueOf(0)));
    long lastReturned = 0;
    int sawNew = 0;
    for (int round = 0; round < kKills; ++round) {
      const long first = lastReturned + 1;
      test::TKilledChild child([&](int fd) {
        for (long n = first;; ++n) {
          if (!store.write(folder.Path(), ValueOf(n))) {
            return 2;
          }
          test::TKilledChild::Report(fd, std::to_string(n));
        }
      });
      ASSERT_TRUE(child.Started());
      // The kill comes after a random number of returned writes, while the next one runs.
      const int reports = std::uniform_int_distribution<int>(0, 3)(random);
      std::string line;
      for (int i = 0; i < reports && child.NextLine(line); ++i) {
        lastReturned = std::stol(line);
      }
      ASSERT_TRUE(child.Kill()) << "the child ended by itself, status " << child.ExitStatus();
      for (const std::string& rest : child.Rest()) {
        lastReturned = std::stol(rest);
      }
      const std::string value = store.read(folder.Path());
      const bool old = value == ValueOf(lastReturned);
      const bool next = value == ValueOf(lastReturned + 1);
      ASSERT_TRUE(old || next) << "round " << round << ": after write " << lastReturned
                               << " the file holds " << value.substr(0, 40) << "... ("
                               << value.size() << " bytes)";
      lastReturned = next ? lastReturned + 1 : lastReturned;
      sawNew += next ? 1 : 0;
    }
    std::printf("crash safety, %s: %d kills, %ld writes, file new after %d kills, old after %d\n",
                store.name, kKills, lastReturned, sawNew, kKills - sawNew);
    SetUserFoldersRootForTesting("");
  }
}

}  // namespace
}  // namespace vlmr
