#include "support/RealProxies.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

extern char** environ;

namespace vlmr::test {
namespace {

const char* BinaryOf(TProxyServer server) {
  return server == TProxyServer::Tinyproxy ? "/usr/bin/tinyproxy" : "/usr/bin/microsocks";
}

// A port the system had free a moment ago.
int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0)
    return 0;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    port = ntohs(addr.sin_port);
  }
  close(fd);
  return port;
}

bool Accepts(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0)
    return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  close(fd);
  return ok;
}

}  // namespace

bool TRealProxy::Installed(TProxyServer server) {
  return access(BinaryOf(server), X_OK) == 0;
}

std::string TRealProxy::MissingText(TProxyServer server) {
  return std::string(server == TProxyServer::Tinyproxy ? "tinyproxy" : "microsocks") +
         " is not installed (scripts/install-deps installs it)";
}

TRealProxy::TRealProxy(TProxyServer server, std::string outgoing, std::string user,
                       std::string password, std::string upstream)
    : server_(server),
      outgoing_(std::move(outgoing)),
      user_(std::move(user)),
      password_(std::move(password)) {
  if (!Installed(server))
    return;
  for (int attempt = 0; attempt < 5 && !Started(); ++attempt) {
    int port = FreePort();
    std::vector<std::string> args{BinaryOf(server)};
    if (server == TProxyServer::Tinyproxy) {
      std::ofstream conf(folder_.File("tinyproxy.conf"));
      conf << "Port " << port << "\nListen 127.0.0.1\nTimeout 30\nMaxClients 100\n"
           << "LogFile \"" << folder_.File("tinyproxy.log") << "\"\nLogLevel Connect\n"
           << "Allow 127.0.0.1\n";
      if (!outgoing_.empty())
        conf << "Bind " << outgoing_ << "\n";
      if (!user_.empty())
        conf << "BasicAuth " << user_ << " " << password_ << "\n";
      if (!upstream.empty())
        conf << "Upstream http " << upstream << "\n";
      conf.close();
      args.insert(args.end(), {"-d", "-c", folder_.File("tinyproxy.conf")});
    } else {
      args.insert(args.end(), {"-i", "127.0.0.1", "-p", std::to_string(port)});
      if (!outgoing_.empty())
        args.insert(args.end(), {"-b", outgoing_});
      if (!user_.empty())
        args.insert(args.end(), {"-u", user_, "-P", password_});
    }
    std::vector<char*> argv;
    for (std::string& a : args)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    std::string out = folder_.File("stdout.txt");
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
      return;
    for (int i = 0; i < 500; ++i) {
      if (Accepts(port)) {
        pid_ = pid;
        port_ = port;
        break;
      }
      if (waitpid(pid, nullptr, WNOHANG) == pid) {
        pid = -1;  // it ended: the port was taken after all
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!Started() && pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
}

TRealProxy::~TRealProxy() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    for (int i = 0; i < 200; ++i) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_)
        return;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

TProxy TRealProxy::AsProxy(TProxyKind kind) const {
  TProxy p;
  p.kind = kind;
  p.host = "127.0.0.1";
  p.port = port_;
  p.user = user_;
  p.password = password_;
  return p;
}

std::vector<TProxy> TRealProxy::WithDeadCopy(TProxyKind kind) const {
  TProxy dead = AsProxy(kind);
  dead.port = ClosedPort();
  return {AsProxy(kind), dead};
}

std::string TRealProxy::Log() const {
  std::ifstream in(folder_.File("tinyproxy.log"));
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

int TRealProxy::LogLines(std::string_view text) const {
  std::istringstream in(Log());
  int n = 0;
  for (std::string line; std::getline(in, line);)
    n += line.find(text) != std::string::npos ? 1 : 0;
  return n;
}

int TRealProxy::ClosedPort() {
  return FreePort();
}

}  // namespace vlmr::test
