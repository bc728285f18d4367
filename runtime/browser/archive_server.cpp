#include "runtime/browser/archive_server.h"

#include <string_view>

#include "launcher-common/content_types.h"
#include "launcher-common/served_names.h"
#include "launcher-common/served_ranges.h"
#include "payload/virtual_host.h"
#include "payload/zip_entry_reader.h"
#include "runtime/browser/entry_stream.h"
#include "runtime/core/utf16.h"

namespace webview {

namespace {

std::wstring headers_for(std::string_view type, uint64_t length, const std::string& content_range = "") {
  std::wstring headers = L"Content-Type: ";
  headers.append(type.begin(), type.end());
  headers += L"\r\nContent-Length: " + std::to_wstring(length) + L"\r\nAccept-Ranges: bytes";
  if (!content_range.empty()) headers += L"\r\nContent-Range: " + wide_of(content_range);
  return headers;
}

// What the browser asks: the address, the method and a Range header.
struct asked_resource {
  std::string address, method = "GET", range;
};

std::string taken_text(LPWSTR text) {
  std::string utf8 = text ? utf8_of(text) : "";
  CoTaskMemFree(text);
  return utf8;
}

asked_resource asked_of(ICoreWebView2WebResourceRequestedEventArgs* args) {
  asked_resource asked;
  ICoreWebView2WebResourceRequest* request = nullptr;
  if (FAILED(args->get_Request(&request)) || !request) return asked;
  LPWSTR text = nullptr;
  if (SUCCEEDED(request->get_Uri(&text))) asked.address = taken_text(text);
  text = nullptr;
  if (SUCCEEDED(request->get_Method(&text)) && text) asked.method = taken_text(text);
  ICoreWebView2HttpRequestHeaders* headers = nullptr;
  text = nullptr;
  if (SUCCEEDED(request->get_Headers(&headers)) && headers) {
    if (SUCCEEDED(headers->GetHeader(L"Range", &text))) asked.range = taken_text(text);
    headers->Release();
  }
  request->Release();
  return asked;
}

}  // namespace

archive_server::archive_server(std::string host, const zip_index& index, ICoreWebView2Environment* environment)
    : host_(std::move(host)), index_(index), environment_(environment) {
  environment_->AddRef();
}

archive_server::~archive_server() { environment_->Release(); }

HRESULT STDMETHODCALLTYPE archive_server::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_ICoreWebView2WebResourceRequestedEventHandler))
    return E_NOINTERFACE;
  AddRef();
  *object = static_cast<ICoreWebView2WebResourceRequestedEventHandler*>(this);
  return S_OK;
}

ULONG STDMETHODCALLTYPE archive_server::AddRef() { return (ULONG)InterlockedIncrement(&references_); }

ULONG STDMETHODCALLTYPE archive_server::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (!left) delete this;
  return (ULONG)left;
}

// Nothing may escape into the runtime: what cannot be answered (memory
// short) is left to it, which then fails the request.
HRESULT STDMETHODCALLTYPE archive_server::Invoke(ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
  if (!args) return E_INVALIDARG;
  try {
    answer(args);
  } catch (...) {
  }
  return S_OK;
}

// As a web server answers: HEAD without a body, one range of bytes as 206
// (an entry too large to hold from the range's start to its end), a range
// past the end as 416.
void archive_server::answer(ICoreWebView2WebResourceRequestedEventArgs* args) {
  std::string name;
  asked_resource asked = asked_of(args);
  // Another host's request is not the app's: the filter should have kept it away.
  if (!served_entry_name(asked.address, windows_served_scheme, host_, name)) return;
  const zip_entry* entry = index_.find(name);
  served_range range = range_of(asked.range, entry ? entry->size : 0);
  if (entry && range.status == 206 && entry->size > largest_checked_entry)
    range = range_of("bytes=" + std::to_string(range.start) + "-", entry->size);
  IStream* body = entry && range.status != 416 ? entry_stream_for(index_, *entry, range.start, range.length) : nullptr;
  const char* type = known_content_type(name);
  int status = !entry ? 404 : range.status == 416 ? 416 : body ? range.status : 404;
  std::wstring headers = body ? headers_for(type ? type : unknown_content_type, range.length, range.content_range)
                              : headers_for("text/plain", 0, status == 416 ? range.content_range : "");
  if (body && asked.method == "HEAD") {
    body->Release();
    body = nullptr;
  }
  const wchar_t* reason = status == 200 ? L"OK" : status == 206 ? L"Partial Content" : status == 416
                              ? L"Range Not Satisfiable" : L"Not Found";
  ICoreWebView2WebResourceResponse* response = nullptr;
  HRESULT made = environment_->CreateWebResourceResponse(body, status, reason, headers.c_str(), &response);
  if (body) body->Release();
  if (FAILED(made) || !response) return;
  args->put_Response(response);
  response->Release();
}

}  // namespace webview
