#pragma once
// One HTTP exchange through WinHTTP, blocking, on whatever thread calls it:
// the request sent (method, headers, body), the answer's status and
// headers at hand, its body read as the caller asks for it, so that
// nothing is held whole. The launcher's update downloads and a dev run's
// requests both go through it.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct http_header {
  std::string name, value;
};

struct http_outgoing {
  std::string method = "GET", url;
  std::vector<http_header> headers;
  std::string body;
  int stall_seconds = 30;         // nothing for this long ends the exchange
  bool follow_redirects = true;   // a dev run hands redirects to the page
};

class http_exchange {
 public:
  ~http_exchange();
  // False with why when the server cannot be reached or sends no answer.
  static std::unique_ptr<http_exchange> start(const http_outgoing& request, std::string& problem);
  int status() const { return status_; }
  const std::string& reason() const { return reason_; }
  const std::vector<http_header>& headers() const { return headers_; }
  // The length the answer says its body has, or -1.
  int64_t length() const { return length_; }
  // Up to size bytes of the body; 0 at its end. False with why when the
  // connection fails or stalls.
  bool read(void* buffer, size_t size, size_t& got, std::string& problem);

 private:
  http_exchange() = default;
  void* session_ = nullptr;
  void* connection_ = nullptr;
  void* request_ = nullptr;
  int status_ = 0;
  std::string reason_;
  std::vector<http_header> headers_;
  int64_t length_ = -1;
};
