#include "runtime/browser/dev_server.h"

#include <shlwapi.h>

#include <memory>
#include <new>

#include "launcher-common/content_types.h"
#include "launcher-common/dev_source.h"
#include "launcher-common/served_names.h"
#include "payload/virtual_host.h"
#include "runtime/browser/read_stream.h"
#include "runtime/core/utf16.h"
#include "runtime/net/http_exchange.h"

namespace webview {

namespace {

// The answer's body, read from the dev server as the browser reads it.
class exchange_stream final : public read_stream {
 public:
  explicit exchange_stream(std::unique_ptr<http_exchange> exchange) : exchange_(std::move(exchange)) {
    size_ = exchange_->length() > 0 ? (uint64_t)exchange_->length() : 0;
  }
  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
    if (read) *read = 0;
    if (!buffer && count) return STG_E_INVALIDPOINTER;
    ULONG got = 0;
    std::string problem;
    while (got < count) {
      size_t piece = 0;
      if (!exchange_->read((char*)buffer + got, count - got, piece, problem)) return STG_E_READFAULT;
      if (!piece) break;
      got += (ULONG)piece;
    }
    position_ += got;
    if (size_ < position_) size_ = position_;
    if (read) *read = got;
    return got == count ? S_OK : S_FALSE;
  }

 private:
  std::unique_ptr<http_exchange> exchange_;
};

std::string taken_text(LPWSTR text) {
  std::string utf8 = text ? utf8_of(text) : "";
  CoTaskMemFree(text);
  return utf8;
}

// One request on its way: what the page asked, and then the dev server's
// answer or why there is none.
struct pending {
  std::string dev_url, origin;
  HWND window = nullptr;
  ICoreWebView2Environment* environment = nullptr;
  ICoreWebView2WebResourceRequestedEventArgs* args = nullptr;
  ICoreWebView2Deferral* deferral = nullptr;
  http_outgoing request;
  std::unique_ptr<http_exchange> exchange;
  std::string problem;
};

// The page's request as the dev server gets it: its headers but those of
// one connection, its body whole (a page sends small ones).
bool read_request(ICoreWebView2WebResourceRequestedEventArgs* args, std::string& address, http_outgoing& out) {
  ICoreWebView2WebResourceRequest* request = nullptr;
  if (FAILED(args->get_Request(&request)) || !request) return false;
  LPWSTR text = nullptr;
  if (SUCCEEDED(request->get_Uri(&text))) address = taken_text(text);
  text = nullptr;
  if (SUCCEEDED(request->get_Method(&text)) && text) out.method = taken_text(text);
  ICoreWebView2HttpRequestHeaders* headers = nullptr;
  ICoreWebView2HttpHeadersCollectionIterator* each = nullptr;
  if (SUCCEEDED(request->get_Headers(&headers)) && headers && SUCCEEDED(headers->GetIterator(&each)) && each) {
    BOOL has = FALSE;
    while (SUCCEEDED(each->get_HasCurrentHeader(&has)) && has) {
      LPWSTR name = nullptr, value = nullptr;
      if (SUCCEEDED(each->GetCurrentHeader(&name, &value))) {
        std::string n = taken_text(name), v = taken_text(value);
        if (is_passed_header(n)) out.headers.push_back({n, v});
      }
      BOOL next = FALSE;
      if (FAILED(each->MoveNext(&next))) break;
    }
    each->Release();
  }
  if (headers) headers->Release();
  IStream* body = nullptr;
  if (SUCCEEDED(request->get_Content(&body)) && body) {
    char piece[65536];
    ULONG got = 0;
    while (SUCCEEDED(body->Read(piece, sizeof piece, &got)) && got) out.body.append(piece, got);
    body->Release();
  }
  request->Release();
  out.headers.push_back({"Accept-Encoding", "identity"});
  return true;
}

DWORD WINAPI exchange_with_server(void* data) {
  auto* call = (pending*)data;
  try {
    call->exchange = http_exchange::start(call->request, call->problem);
  } catch (...) {
    call->problem = "out of memory";
  }
  // A window gone (the run ended) takes no answer, and what the request
  // holds of the browser is left to the process's end: its objects are
  // the browser thread's to release.
  PostMessageW(call->window, dev_answer_message, 0, (LPARAM)call);
  return 0;
}

void answer(pending& call) {
  std::string headers;
  IStream* body = nullptr;
  int status = 502;
  std::string reason = "Bad Gateway";
  if (call.exchange) {
    status = call.exchange->status();
    reason = call.exchange->reason();
    for (const http_header& header : call.exchange->headers()) {
      if (!is_passed_header(header.name)) continue;
      std::string value = _stricmp(header.name.c_str(), "Location") == 0
                              ? dev_location(header.value, call.dev_url, call.origin)
                              : header.value;
      headers += (headers.empty() ? "" : "\r\n") + header.name + ": " + value;
    }
    body = new (std::nothrow) exchange_stream(std::move(call.exchange));
  } else {
    std::string page = dev_failure_page(call.dev_url, call.problem);
    headers = "Content-Type: text/html; charset=utf-8\r\nContent-Length: " + std::to_string(page.size());
    body = SHCreateMemStream((const BYTE*)page.data(), (UINT)page.size());
  }
  ICoreWebView2WebResourceResponse* response = nullptr;
  if (SUCCEEDED(call.environment->CreateWebResourceResponse(body, status, wide_of(reason).c_str(),
                                                            wide_of(headers).c_str(), &response)) &&
      response) {
    call.args->put_Response(response);
    response->Release();
  }
  if (body) body->Release();
}

}  // namespace

void dev_server::answered(LPARAM data) {
  std::unique_ptr<pending> call((pending*)data);
  try {
    answer(*call);
  } catch (...) {
  }
  call->deferral->Complete();
  call->deferral->Release();
  call->args->Release();
  call->environment->Release();
}

// Nothing may escape into the runtime: a request that cannot be taken
// (memory short, no thread) is left to it, which then fails it.
HRESULT STDMETHODCALLTYPE dev_server::Invoke(ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
  if (!args) return E_INVALIDARG;
  try {
    auto call = std::make_unique<pending>();
    std::string address;
    if (dev_url_.empty()) {
      read_request(args, address, call->request);
      answer_from_folder(address, args);
      return S_OK;
    }
    if (!read_request(args, address, call->request) ||
        !dev_server_address(address, windows_served_scheme, host_, dev_url_, call->request.url))
      return S_OK;
    call->request.follow_redirects = false;
    call->dev_url = dev_url_;
    call->origin = std::string(windows_served_scheme) + "://" + host_;
    call->window = window_;
    if (FAILED(args->GetDeferral(&call->deferral)) || !call->deferral) return S_OK;
    call->args = args;
    call->environment = environment_;
    args->AddRef();
    environment_->AddRef();
    pending* given = call.release();
    HANDLE thread = CreateThread(nullptr, 0, exchange_with_server, given, 0, nullptr);
    if (thread) return CloseHandle(thread), S_OK;
    given->problem = "no thread for the request";
    answered((LPARAM)given);
  } catch (...) {
  }
  return S_OK;
}

dev_server::dev_server(std::string host, std::string dev_url, std::wstring folder, ICoreWebView2Environment* environment,
                       HWND window)
    : host_(std::move(host)), dev_url_(std::move(dev_url)), folder_(std::move(folder)), environment_(environment),
      window_(window) {
  environment_->AddRef();
}

dev_server::~dev_server() { environment_->Release(); }

HRESULT STDMETHODCALLTYPE dev_server::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_ICoreWebView2WebResourceRequestedEventHandler))
    return E_NOINTERFACE;
  AddRef();
  *object = static_cast<ICoreWebView2WebResourceRequestedEventHandler*>(this);
  return S_OK;
}

ULONG STDMETHODCALLTYPE dev_server::AddRef() { return (ULONG)InterlockedIncrement(&references_); }

ULONG STDMETHODCALLTYPE dev_server::Release() {
  LONG left = InterlockedDecrement(&references_);
  if (!left) delete this;
  return (ULONG)left;
}

// The file the address names, as the archive's entry would be; 404 for what
// is not there and for a name that would leave the folder.
void dev_server::answer_from_folder(const std::string& address, ICoreWebView2WebResourceRequestedEventArgs* args) {
  std::string name;
  if (!served_entry_name(address, windows_served_scheme, host_, name)) return;
  IStream* body = nullptr;
  if (name.find("..") == std::string::npos) {
    std::wstring path = folder_ + L"\\" + wide_of(name);
    for (wchar_t& c : path)
      if (c == L'/') c = L'\\';
    SHCreateStreamOnFileEx(path.c_str(), STGM_READ | STGM_SHARE_DENY_NONE, 0, FALSE, nullptr, &body);
  }
  STATSTG about{};
  if (body && FAILED(body->Stat(&about, STATFLAG_NONAME))) body->Release(), body = nullptr;
  const char* type = known_content_type(name);
  std::string headers = body ? "Content-Type: " + std::string(type ? type : unknown_content_type) +
                                   "\r\nContent-Length: " + std::to_string(about.cbSize.QuadPart)
                             : "Content-Type: text/plain\r\nContent-Length: 0";
  ICoreWebView2WebResourceResponse* response = nullptr;
  if (SUCCEEDED(environment_->CreateWebResourceResponse(body, body ? 200 : 404, body ? L"OK" : L"Not Found",
                                                        wide_of(headers).c_str(), &response)) &&
      response) {
    args->put_Response(response);
    response->Release();
  }
  if (body) body->Release();
}

}  // namespace webview
