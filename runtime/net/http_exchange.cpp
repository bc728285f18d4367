#include "runtime/net/http_exchange.h"

#include <winhttp.h>

#include "runtime/core/system_errors.h"
#include "runtime/core/utf16.h"

namespace {

// The system's words for a WinHTTP error, which winhttp.dll keeps in its
// own table.
std::string error_text(DWORD error) {
  if (error == ERROR_WINHTTP_TIMEOUT) return "nothing came for too long (" + std::to_string(error) + ")";
  std::string words = system_message(error, GetModuleHandleW(L"winhttp.dll"));
  return (words.empty() ? "error" : words) + " (" + std::to_string(error) + ")";
}

std::wstring header_text(HINTERNET request, DWORD which) {
  DWORD size = 0;
  WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size, WINHTTP_NO_HEADER_INDEX);
  if (!size) return L"";
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  if (!WinHttpQueryHeaders(request, which, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size, WINHTTP_NO_HEADER_INDEX))
    return L"";
  text.resize(size / sizeof(wchar_t));
  return text;
}

}  // namespace

http_exchange::~http_exchange() {
  if (request_) WinHttpCloseHandle(request_);
  if (connection_) WinHttpCloseHandle(connection_);
  if (session_) WinHttpCloseHandle(session_);
}

std::unique_ptr<http_exchange> http_exchange::start(const http_outgoing& outgoing, std::string& problem) {
  std::unique_ptr<http_exchange> exchange(new http_exchange);
  std::wstring address = wide_of(outgoing.url);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = (DWORD)-1;
  if (!WinHttpCrackUrl(address.c_str(), 0, 0, &parts)) return problem = "not an address: " + outgoing.url, nullptr;
  std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                      std::wstring(parts.lpszExtraInfo ? parts.lpszExtraInfo : L"", parts.dwExtraInfoLength);
  // The system's proxy settings, as the browser has them.
  exchange->session_ = WinHttpOpen(L"wapp", WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                                   WINHTTP_NO_PROXY_BYPASS, 0);
  if (!exchange->session_)
    exchange->session_ = WinHttpOpen(L"wapp", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                     WINHTTP_NO_PROXY_BYPASS, 0);
  if (!exchange->session_) return problem = error_text(GetLastError()), nullptr;
  const int stall = outgoing.stall_seconds * 1000;
  WinHttpSetTimeouts(exchange->session_, stall, stall, stall, stall);
  exchange->connection_ = WinHttpConnect(exchange->session_, host.c_str(), parts.nPort, 0);
  if (exchange->connection_)
    exchange->request_ = WinHttpOpenRequest(exchange->connection_, wide_of(outgoing.method).c_str(), path.c_str(),
                                            nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                            parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
  if (!exchange->request_) return problem = error_text(GetLastError()), nullptr;
  if (!outgoing.follow_redirects) {
    DWORD never = WINHTTP_DISABLE_REDIRECTS;
    WinHttpSetOption(exchange->request_, WINHTTP_OPTION_DISABLE_FEATURE, &never, sizeof never);
  }
  std::wstring headers;
  for (const http_header& header : outgoing.headers) headers += wide_of(header.name + ": " + header.value + "\r\n");
  if (!WinHttpSendRequest(exchange->request_, headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                          (DWORD)-1L, outgoing.body.empty() ? WINHTTP_NO_REQUEST_DATA : (void*)outgoing.body.data(),
                          (DWORD)outgoing.body.size(), (DWORD)outgoing.body.size(), 0) ||
      !WinHttpReceiveResponse(exchange->request_, nullptr))
    return problem = error_text(GetLastError()), nullptr;
  DWORD status = 0, size = sizeof status;
  WinHttpQueryHeaders(exchange->request_, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                      WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
  exchange->status_ = (int)status;
  exchange->reason_ = utf8_of(header_text(exchange->request_, WINHTTP_QUERY_STATUS_TEXT));
  // "Name: value" lines after the status line.
  std::string raw = utf8_of(header_text(exchange->request_, WINHTTP_QUERY_RAW_HEADERS_CRLF));
  for (size_t at = raw.find("\r\n"); at != std::string::npos && at + 2 < raw.size();) {
    size_t end = raw.find("\r\n", at + 2);
    std::string line = raw.substr(at + 2, end == std::string::npos ? std::string::npos : end - at - 2);
    at = end;
    size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) continue;
    size_t value = line.find_first_not_of(' ', colon + 1);
    exchange->headers_.push_back({line.substr(0, colon), value == std::string::npos ? "" : line.substr(value)});
  }
  std::wstring length = header_text(exchange->request_, WINHTTP_QUERY_CONTENT_LENGTH);
  if (!length.empty()) exchange->length_ = (int64_t)_wcstoui64(length.c_str(), nullptr, 10);
  return exchange;
}

bool http_exchange::read(void* buffer, size_t size, size_t& got, std::string& problem) {
  DWORD count = 0;
  if (!WinHttpReadData(request_, buffer, (DWORD)std::min<size_t>(size, 1 << 20), &count)) {
    problem = error_text(GetLastError());
    return false;
  }
  got = count;
  return true;
}
