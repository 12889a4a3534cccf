// vlmrsvc: the vendor's web service for demos and whole-program tests. Serves the enciphered
// configuration, the packages and the contact, description and notice pages from a folder
// (see VendorReply). Listens on 127.0.0.1 unless told otherwise.
//   vlmrsvc FOLDER [PORT] [ADDRESS]      PORT 0 picks a free port; the port is printed
#include <httplib.h>

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>

#include "VendorKit.h"

namespace {

httplib::Server* running = nullptr;

void StopOnSignal(int) {
  if (running)
    running->stop();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::cerr << "usage: vlmrsvc FOLDER [PORT] [ADDRESS]\n";
    return 2;
  }
  const std::string folder = argv[1];
  const int port = argc >= 3 ? std::atoi(argv[2]) : 8080;
  const std::string address = argc >= 4 ? argv[3] : "127.0.0.1";

  httplib::Server server;
  server.Get(".*", [&folder](const httplib::Request& req, httplib::Response& res) {
    std::string query;
    std::size_t q = req.target.find('?');
    if (q != std::string::npos)
      query = req.target.substr(q + 1);
    vlmr::vendor::TReply reply = vlmr::vendor::VendorReply(folder, req.path, query);
    res.status = reply.status;
    res.set_content(reply.status == 200 ? reply.body : "not found", reply.contentType);
  });
  int bound = port;
  if (port == 0) {
    bound = server.bind_to_any_port(address);
  } else if (!server.bind_to_port(address, port)) {
    bound = -1;
  }
  if (bound <= 0) {
    std::cerr << "vlmrsvc: cannot listen on " << address << ":" << port << "\n";
    return 1;
  }
  std::cout << bound << std::endl;
  running = &server;
  std::signal(SIGTERM, StopOnSignal);
  std::signal(SIGINT, StopOnSignal);
  server.listen_after_bind();
  return 0;
}
