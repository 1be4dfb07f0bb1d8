#include "support/LocalHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <stdexcept>

std::string THttpTestRequest::Header(const std::string& Name) const {
  std::string key = Name;
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
  auto it = Headers.find(key);
  return it == Headers.end() ? std::string() : it->second;
}

TLocalHttpServer::TLocalHttpServer(THandler Handler) : FHandler(std::move(Handler)) {
  FListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  if (FListen < 0 || ::bind(FListen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(FListen, 16) != 0)
    throw std::runtime_error("test HTTP server: cannot listen on 127.0.0.1");
  socklen_t len = sizeof addr;
  ::getsockname(FListen, reinterpret_cast<sockaddr*>(&addr), &len);
  FPort = ntohs(addr.sin_port);
  FAccept = std::thread([this] {
    while (!FStop) {
      pollfd p{FListen, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      int client = ::accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      std::lock_guard guard(FLock);
      FWorkers.emplace_back([this, client] { Serve(client); });
    }
  });
}

TLocalHttpServer::~TLocalHttpServer() {
  FStop = true;
  FAccept.join();
  ::close(FListen);
  std::vector<std::thread> workers;
  {
    std::lock_guard guard(FLock);
    workers.swap(FWorkers);
  }
  for (auto& w : workers) w.join();
}

std::string TLocalHttpServer::Url(const std::string& Path) const {
  return "http://127.0.0.1:" + std::to_string(FPort) + Path;
}

std::vector<THttpTestRequest> TLocalHttpServer::Requests() {
  std::lock_guard guard(FLock);
  return FRequests;
}

void TLocalHttpServer::Serve(int Client) {
  std::string data;
  char buffer[65536];
  size_t headerEnd = std::string::npos;
  // Read until the header ends (bounded by a time-out so a silent client cannot hang a test).
  while (headerEnd == std::string::npos) {
    pollfd p{Client, POLLIN, 0};
    if (::poll(&p, 1, 5000) <= 0) break;
    ssize_t n = ::recv(Client, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    data.append(buffer, size_t(n));
    headerEnd = data.find("\r\n\r\n");
  }
  if (headerEnd == std::string::npos) {
    ::close(Client);
    return;
  }
  THttpTestRequest request;
  std::string head = data.substr(0, headerEnd);
  size_t lineEnd = head.find("\r\n");
  std::string first = head.substr(0, lineEnd);
  size_t s1 = first.find(' '), s2 = first.rfind(' ');
  request.Method = first.substr(0, s1);
  request.Path = first.substr(s1 + 1, s2 - s1 - 1);
  request.Version = first.substr(s2 + 1);
  size_t pos = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
  while (pos < head.size()) {
    size_t end = head.find("\r\n", pos);
    if (end == std::string::npos) end = head.size();
    std::string line = head.substr(pos, end - pos);
    size_t colon = line.find(':');
    if (colon != std::string::npos) {
      std::string name = line.substr(0, colon), value = line.substr(colon + 1);
      std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
      while (!value.empty() && value.front() == ' ') value.erase(value.begin());
      request.Headers[name] = value;
    }
    pos = end + 2;
  }
  request.Body = data.substr(headerEnd + 4);
  size_t length = std::strtoul(request.Header("content-length").c_str(), nullptr, 10);
  while (request.Body.size() < length) {
    pollfd p{Client, POLLIN, 0};
    if (::poll(&p, 1, 5000) <= 0) break;
    ssize_t n = ::recv(Client, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    request.Body.append(buffer, size_t(n));
  }
  {
    std::lock_guard guard(FLock);
    FRequests.push_back(request);
  }
  THttpTestResponse response = FHandler(request);
  std::string out = "HTTP/1.1 " + std::to_string(response.Status) + " " + response.Reason + "\r\n";
  bool hasLength = false;
  for (const auto& [name, value] : response.Headers) {
    out += name + ": " + value + "\r\n";
    if (name == "Content-Length") hasLength = true;
  }
  if (!hasLength) out += "Content-Length: " + std::to_string(response.Body.size()) + "\r\n";
  out += "Connection: close\r\n\r\n";
  if (request.Method != "HEAD") out += response.Body;
  size_t sent = 0;
  while (sent < out.size()) {
    ssize_t n = ::send(Client, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;  // the client went away (a cancelled download)
    sent += size_t(n);
  }
  ::shutdown(Client, SHUT_WR);
  // Drain until the client closes, so that it sees the whole answer.
  while (true) {
    pollfd p{Client, POLLIN, 0};
    if (::poll(&p, 1, 2000) <= 0) break;
    if (::recv(Client, buffer, sizeof buffer, 0) <= 0) break;
  }
  ::close(Client);
}
