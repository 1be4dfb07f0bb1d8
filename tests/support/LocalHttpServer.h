#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for tests of HTTP clients. Each connection carries one
// request (the answer closes it). The handler runs on the connection's thread.

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct THttpTestRequest {
  std::string Method, Path, Version;
  std::map<std::string, std::string> Headers;  // names lower-cased
  std::string Body;
  std::string Header(const std::string& Name) const;
};

struct THttpTestResponse {
  int Status = 200;
  std::string Reason = "OK";
  std::vector<std::pair<std::string, std::string>> Headers;
  std::string Body;
};

class TLocalHttpServer {
 public:
  using THandler = std::function<THttpTestResponse(const THttpTestRequest&)>;
  explicit TLocalHttpServer(THandler Handler);
  ~TLocalHttpServer();
  int Port() const { return FPort; }
  std::string Url(const std::string& Path) const;
  // Requests received so far, in arrival order.
  std::vector<THttpTestRequest> Requests();

 private:
  void Serve(int Client);
  THandler FHandler;
  int FListen = -1;
  int FPort = 0;
  std::atomic<bool> FStop{false};
  std::thread FAccept;
  std::mutex FLock;
  std::vector<std::thread> FWorkers;
  std::vector<THttpTestRequest> FRequests;
};
