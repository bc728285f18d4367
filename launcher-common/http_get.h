#pragma once
// One HTTP GET, as each launcher makes it with its system's client (WinHTTP
// on Windows, libsoup on Linux): blocking, so it runs away from the page's
// thread. The body is handed to take in pieces as it comes, never held
// whole; take returns false to stop (the call then fails with an empty
// problem, the caller knowing why).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// False with why when the address cannot be reached, the answer is not 200,
// the body is longer than most bytes (told before it comes when the server
// says its length), or nothing comes for stall_seconds.
bool http_get(const std::string& url, uint64_t most, int stall_seconds,
              const std::function<bool(std::string_view)>& take, std::string& problem);
