// WinHTTP, blocking, on the calling thread: one session per call, which the
// launcher makes a handful of times in a run at most.
#include "launcher-common/http_get.h"

#include <windows.h>
#include <winhttp.h>

#include <memory>

#include "runtime/core/utf16.h"

namespace {

struct internet_closer {
  void operator()(void* handle) const {
    if (handle) WinHttpCloseHandle(handle);
  }
};
using internet = std::unique_ptr<void, internet_closer>;

// The system's words for a WinHTTP error, which FormatMessage finds in
// winhttp.dll's own table.
std::string error_text(DWORD error) {
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                                    FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                GetModuleHandleW(L"winhttp.dll"), error, 0, (wchar_t*)&text, 0, nullptr);
  std::string words;
  if (length) words = utf8_of(std::wstring(text, length));
  if (text) LocalFree(text);
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == '.')) words.pop_back();
  if (error == ERROR_WINHTTP_TIMEOUT) words = "nothing came for too long";
  return (words.empty() ? "error" : words) + " (" + std::to_string(error) + ")";
}

bool failed(std::string& problem, std::string why) {
  problem = std::move(why);
  return false;
}

}  // namespace

bool http_get(const std::string& url, uint64_t most, int stall_seconds,
              const std::function<bool(std::string_view)>& take, std::string& problem) {
  std::wstring address;
  try {
    address = wide_of(url);
  } catch (...) {
    return failed(problem, "out of memory");
  }
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = (DWORD)-1;
  if (!WinHttpCrackUrl(address.c_str(), 0, 0, &parts)) return failed(problem, "not an address: " + url);
  std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                      std::wstring(parts.lpszExtraInfo ? parts.lpszExtraInfo : L"", parts.dwExtraInfoLength);
  // The system's proxy settings, as the browser has them.
  internet session(WinHttpOpen(L"wapp", WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) session.reset(WinHttpOpen(L"wapp", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                          WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return failed(problem, error_text(GetLastError()));
  const int stall = stall_seconds * 1000;
  WinHttpSetTimeouts(session.get(), stall, stall, stall, stall);
  internet connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
  internet request(connection ? WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                                   WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                   parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0)
                              : nullptr);
  if (!request || !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
      !WinHttpReceiveResponse(request.get(), nullptr))
    return failed(problem, error_text(GetLastError()));
  DWORD status = 0, size = sizeof status;
  WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                      &status, &size, WINHTTP_NO_HEADER_INDEX);
  if (status != 200) {
    wchar_t reason[128] = L"";
    DWORD reason_size = sizeof reason;
    WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_TEXT, WINHTTP_HEADER_NAME_BY_INDEX, reason, &reason_size,
                        WINHTTP_NO_HEADER_INDEX);
    return failed(problem, "the server answered " + std::to_string(status) + (*reason ? " " + utf8_of(reason) : ""));
  }
  std::string too_long = "the server sends more than the " + std::to_string(most) + " bytes expected";
  wchar_t length_text[32] = L"";
  DWORD length_size = sizeof length_text;
  if (WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, length_text,
                          &length_size, WINHTTP_NO_HEADER_INDEX) &&
      _wcstoui64(length_text, nullptr, 10) > most)
    return failed(problem, too_long);
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[64 << 10]);
  if (!buffer) return failed(problem, "out of memory");
  uint64_t received = 0;
  while (true) {
    DWORD count = 0;
    if (!WinHttpReadData(request.get(), buffer.get(), 64 << 10, &count)) return failed(problem, error_text(GetLastError()));
    if (count == 0) break;
    received += count;
    if (received > most) return failed(problem, too_long);
    if (!take(std::string_view(buffer.get(), count))) return failed(problem, "");
  }
  return true;
}
