#include "runtime/browser/archive_server.h"

#include <string_view>

#include "launcher-common/content_types.h"
#include "launcher-common/served_names.h"
#include "payload/virtual_host.h"
#include "runtime/browser/entry_stream.h"
#include "runtime/core/utf16.h"

namespace webview {

namespace {

std::wstring headers_for(std::string_view type, uint64_t length) {
  std::wstring headers = L"Content-Type: ";
  headers.append(type.begin(), type.end());
  return headers + L"\r\nContent-Length: " + std::to_wstring(length);
}

// The address the request is for; empty when it cannot be had.
std::string address_of(ICoreWebView2WebResourceRequestedEventArgs* args) {
  ICoreWebView2WebResourceRequest* request = nullptr;
  if (FAILED(args->get_Request(&request)) || !request) return "";
  LPWSTR uri = nullptr;
  std::string address;
  if (SUCCEEDED(request->get_Uri(&uri)) && uri) address = utf8_of(uri);
  CoTaskMemFree(uri);
  request->Release();
  return address;
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

void archive_server::answer(ICoreWebView2WebResourceRequestedEventArgs* args) {
  std::string name;
  // Another host's request is not the app's: the filter should have kept it away.
  if (!served_entry_name(address_of(args), windows_served_scheme, host_, name)) return;
  const zip_entry* entry = index_.find(name);
  IStream* body = entry ? entry_stream_for(index_, *entry) : nullptr;
  const char* type = known_content_type(name);
  std::wstring headers = body ? headers_for(type ? type : unknown_content_type, entry->size) : headers_for("text/plain", 0);
  ICoreWebView2WebResourceResponse* response = nullptr;
  HRESULT made = environment_->CreateWebResourceResponse(body, body ? 200 : 404, body ? L"OK" : L"Not Found",
                                                         headers.c_str(), &response);
  if (body) body->Release();
  if (FAILED(made) || !response) return;
  args->put_Response(response);
  response->Release();
}

}  // namespace webview
