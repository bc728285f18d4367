#pragma once
// An HTTP server on 127.0.0.1 for the tests, on Linux and under Wine alike:
// GET of the files put in it, one answer per connection, 404 for the rest.
// Each connection has a thread of its own, so that a file put as stalled
// (half its body sent, then nothing until the server goes) holds up no
// other request.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using socket_handle = SOCKET;
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
using socket_handle = int;
#define closesocket close
#endif

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

class loopback_server {
 public:
  loopback_server() {
#ifdef _WIN32
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
#endif
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(listener_, (sockaddr*)&address, sizeof address);
    listen(listener_, 16);
    getsockname(listener_, (sockaddr*)&address, &size);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~loopback_server() {
    stop_ = true;
    thread_.join();
    for (std::thread& answer : answers_) answer.join();
    closesocket(listener_);
  }

  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
  void put(const std::string& name, std::string body, bool stalled = false) {
    std::lock_guard<std::mutex> lock(mutex_);
    files_["/" + name] = std::move(body);
    if (stalled) stalled_.insert("/" + name);
  }
  void clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    files_.clear();
    stalled_.clear();
    asked_.clear();
  }
  // The paths asked for, in order.
  std::vector<std::string> asked() {
    std::lock_guard<std::mutex> lock(mutex_);
    return asked_;
  }

 private:
  void serve() {
    while (!stop_) {
      fd_set ready;
      FD_ZERO(&ready);
      FD_SET(listener_, &ready);
      timeval wait{0, 50000};
      if (select((int)listener_ + 1, &ready, nullptr, nullptr, &wait) <= 0) continue;
      socket_handle client = accept(listener_, nullptr, nullptr);
      answers_.emplace_back([this, client] { answer(client); });
    }
  }

  static std::string type_of(const std::string& path) {
    if (path.ends_with(".json")) return "application/json";
    if (path.ends_with(".html") || path == "/") return "text/html";
    return "application/octet-stream";
  }

  void answer(socket_handle client) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      int count = recv(client, buffer, sizeof buffer, 0);
      if (count <= 0) break;
      request.append(buffer, count);
    }
    size_t start = request.find(' ') + 1, end = request.find(' ', start);
    std::string path = start && end != std::string::npos ? request.substr(start, end - start) : "";
    std::string reply;
    bool stalled;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      asked_.push_back(path);
      auto found = files_.find(path);
      stalled = stalled_.count(path) > 0;
      reply = found == files_.end()
                   ? "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"
                   : "HTTP/1.1 200 OK\r\nContent-Type: " + type_of(path) +
                         "\r\nContent-Length: " + std::to_string(found->second.size()) +
                         "\r\nConnection: close\r\n\r\n" +
                         (stalled ? found->second.substr(0, found->second.size() / 2) : found->second);
    }
    for (size_t sent = 0; sent < reply.size();) {
      int count = send(client, reply.data() + sent, (int)(reply.size() - sent), 0);
      if (count <= 0) break;
      sent += count;
    }
    while (stalled && !stop_) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    closesocket(client);
  }

  socket_handle listener_;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::map<std::string, std::string> files_;
  std::set<std::string> stalled_;
  std::vector<std::string> asked_;
  std::vector<std::thread> answers_;
  std::thread thread_;
};
