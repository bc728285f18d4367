// The launcher's downloads over the runtime's WinHTTP exchange.
#include "launcher-common/http_get.h"

#include <new>

#include "runtime/net/http_exchange.h"

bool http_get(const std::string& url, uint64_t most, int stall_seconds,
              const std::function<bool(std::string_view)>& take, std::string& problem) {
  http_outgoing request;
  request.url = url;
  request.stall_seconds = stall_seconds;
  std::unique_ptr<http_exchange> exchange = http_exchange::start(request, problem);
  if (!exchange) return false;
  if (exchange->status() != 200) {
    problem = "the server answered " + std::to_string(exchange->status()) +
              (exchange->reason().empty() ? "" : " " + exchange->reason());
    return false;
  }
  std::string too_long = "the server sends more than the " + std::to_string(most) + " bytes expected";
  if (exchange->length() > 0 && (uint64_t)exchange->length() > most) return problem = too_long, false;
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[64 << 10]);
  if (!buffer) return problem = "out of memory", false;
  uint64_t received = 0;
  for (size_t got = 0;;) {
    if (!exchange->read(buffer.get(), 64 << 10, got, problem)) return false;
    if (got == 0) return true;
    received += got;
    if (received > most) return problem = too_long, false;
    if (!take(std::string_view(buffer.get(), got))) return problem.clear(), false;
  }
}
