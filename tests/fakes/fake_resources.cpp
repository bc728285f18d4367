// Requests the host answers: WebResourceRequested filters and their
// handler, the responses the environment makes, and the page's loads that
// go through them (the page action "fetch"), each answer logged with its
// status, type, length and a checksum of the bytes read.
#include <cwctype>
#include <functional>
#include <memory>
#include <vector>

#include "fake_objects.h"
#include "fake_webview2.h"

namespace {

std::wstring lower(std::wstring text) {
  for (wchar_t& c : text) c = (wchar_t)towlower(c);
  return text;
}

// "*" stands for any text, as in WebView2's filters.
bool wildcard_matches(const wchar_t* pattern, const wchar_t* text) {
  if (!*pattern) return !*text;
  if (*pattern == L'*') return wildcard_matches(pattern + 1, text) || (*text && wildcard_matches(pattern, text + 1));
  return *text == *pattern && wildcard_matches(pattern + 1, text + 1);
}

HRESULT copy_text(const std::wstring& text, LPWSTR* out) {
  if (!out) return E_POINTER;
  size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  *out = (LPWSTR)CoTaskMemAlloc(bytes);
  if (!*out) return E_OUTOFMEMORY;
  memcpy(*out, text.c_str(), bytes);
  return S_OK;
}

// The headers in order, as the runtime's iterator gives them.
class fake_header_iterator final : public fake_com<ICoreWebView2HttpHeadersCollectionIterator> {
 public:
  explicit fake_header_iterator(std::vector<std::pair<std::wstring, std::wstring>> headers)
      : fake_com("header_iterator", IID_ICoreWebView2HttpHeadersCollectionIterator), headers_(std::move(headers)) {}
  HRESULT STDMETHODCALLTYPE GetCurrentHeader(LPWSTR* name, LPWSTR* value) override {
    if (at_ >= headers_.size()) return E_INVALIDARG;
    copy_text(headers_[at_].first, name);
    return copy_text(headers_[at_].second, value);
  }
  HRESULT STDMETHODCALLTYPE get_HasCurrentHeader(BOOL* has) override {
    if (!has) return E_POINTER;
    *has = at_ < headers_.size();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE MoveNext(BOOL* has_next) override {
    if (at_ < headers_.size()) at_++;
    if (has_next) *has_next = at_ < headers_.size();
    return S_OK;
  }

 private:
  std::vector<std::pair<std::wstring, std::wstring>> headers_;
  size_t at_ = 0;
};

// A request's headers: what a page's fetch sends, with its Range when the
// page asked for one.
class fake_request_headers final : public fake_com<ICoreWebView2HttpRequestHeaders> {
 public:
  explicit fake_request_headers(std::wstring range)
      : fake_com("request_headers", IID_ICoreWebView2HttpRequestHeaders), range_(range) {}
  HRESULT STDMETHODCALLTYPE GetHeader(LPCWSTR name, LPWSTR* value) override {
    if (!name || !value) return E_POINTER;
    *value = nullptr;
    if (range_.empty() || lower(name) != L"range") return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    return copy_text(range_, value);
  }
  HRESULT STDMETHODCALLTYPE GetHeaders(LPCWSTR, ICoreWebView2HttpHeadersCollectionIterator**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Contains(LPCWSTR, BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetHeader(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RemoveHeader(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIterator(ICoreWebView2HttpHeadersCollectionIterator** all) override {
    if (!all) return E_POINTER;
    std::vector<std::pair<std::wstring, std::wstring>> headers = {{L"Accept", L"*/*"}, {L"X-Wapp-Test", L"asked"}};
    if (!range_.empty()) headers.emplace_back(L"Range", range_);
    *all = new fake_header_iterator(headers);
    return S_OK;
  }

 private:
  std::wstring range_;
};

class fake_request final : public fake_com<ICoreWebView2WebResourceRequest> {
 public:
  fake_request(std::wstring uri, std::wstring method, std::wstring range)
      : fake_com("request", IID_ICoreWebView2WebResourceRequest), uri_(uri), method_(method), range_(range) {}
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return copy_text(uri_, uri); }
  HRESULT STDMETHODCALLTYPE put_Uri(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Method(LPWSTR* method) override { return copy_text(method_, method); }
  HRESULT STDMETHODCALLTYPE put_Method(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Content(IStream** content) override {
    if (content) *content = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Content(IStream*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpRequestHeaders** headers) override {
    if (!headers) return E_POINTER;
    *headers = new fake_request_headers(range_);
    return S_OK;
  }

 private:
  std::wstring uri_, method_, range_;
};

class fake_request_args final : public fake_com<ICoreWebView2WebResourceRequestedEventArgs> {
 public:
  explicit fake_request_args(fake_request* request)
      : fake_com("request_args", IID_ICoreWebView2WebResourceRequestedEventArgs), request_(request) {}
  HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** request) override {
    if (!request) return E_POINTER;
    request_->AddRef();
    *request = request_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Response(ICoreWebView2WebResourceResponse** response) override {
    if (!response) return E_POINTER;
    if (response_) response_->AddRef();
    *response = response_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* response) override {
    if (response) response->AddRef();
    if (response_) response_->Release();
    response_ = (fake_response*)response;  // only the fake environment makes them
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override;
  HRESULT STDMETHODCALLTYPE get_ResourceContext(COREWEBVIEW2_WEB_RESOURCE_CONTEXT* context) override {
    if (!context) return E_POINTER;
    *context = COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL;
    return S_OK;
  }
  fake_response* response() const { return response_; }
  // What happens once the answer is final: at once, or when a deferral taken completes.
  std::function<void()> answered;
  bool deferred = false;

 private:
  ~fake_request_args() override {
    request_->Release();
    if (response_) response_->Release();
  }
  fake_request* request_;
  fake_response* response_ = nullptr;
};

class fake_resource_deferral final : public fake_com<ICoreWebView2Deferral> {
 public:
  explicit fake_resource_deferral(fake_request_args* args) : fake_com("resource_deferral", IID_ICoreWebView2Deferral), args_(args) {
    args_->AddRef();
  }
  HRESULT STDMETHODCALLTYPE Complete() override {
    if (args_->answered) args_->answered();
    args_->answered = nullptr;
    return S_OK;
  }

 private:
  ~fake_resource_deferral() override { args_->Release(); }
  fake_request_args* args_;
};

HRESULT STDMETHODCALLTYPE fake_request_args::GetDeferral(ICoreWebView2Deferral** deferral) {
  if (!deferral) return E_POINTER;
  deferred = true;
  *deferral = new fake_resource_deferral(this);
  return S_OK;
}

// Reads the stream to its end: false when a read fails.
bool read_all(IStream* stream, std::string& bytes) {
  char piece[65536];
  for (;;) {
    ULONG got = 0;
    HRESULT result = stream->Read(piece, sizeof piece, &got);
    if (FAILED(result)) return false;
    bytes.append(piece, got);
    if (result == S_FALSE || got == 0) return true;
  }
}

// "<address> <status> <type> <length> <bytes read> <checksum>", "-" where
// there is none; "read_failed" in place of the last two.
void record_fetch(const std::wstring& address, int status, const std::string& type, const std::string& length,
                  const std::string* bytes) {
  std::string read = bytes ? std::to_string(bytes->size()) + " " + fake_checksum(*bytes) : "read_failed";
  record("fetched", utf8(address.c_str()) + " " + std::to_string(status) + " " + type + " " + length + " " + read);
}

}  // namespace

fake_response::fake_response(IStream* content, int status, LPCWSTR reason, LPCWSTR headers)
    : fake_com("response", IID_ICoreWebView2WebResourceResponse), content_(content), status_(status),
      headers_(utf8(headers ? headers : L"")) {
  (void)reason;
  if (content_) content_->AddRef();
}

fake_response::~fake_response() {
  if (content_) content_->Release();
}

HRESULT STDMETHODCALLTYPE fake_response::get_Content(IStream** content) {
  if (!content) return E_POINTER;
  if (content_) content_->AddRef();
  *content = content_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_response::put_Content(IStream* content) {
  if (content) content->AddRef();
  if (content_) content_->Release();
  content_ = content;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_response::get_StatusCode(int* status) {
  if (!status) return E_POINTER;
  *status = status_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_response::put_StatusCode(int status) {
  status_ = status;
  return S_OK;
}

std::string fake_response::header(const std::string& name) const {
  for (size_t from = 0; from < headers_.size();) {
    size_t end = std::min(headers_.find("\r\n", from), headers_.size());
    std::string line = headers_.substr(from, end - from);
    if (line.size() > name.size() + 1 && _strnicmp(line.c_str(), name.c_str(), name.size()) == 0 &&
        line[name.size()] == ':')
      return line.substr(line.find_first_not_of(' ', name.size() + 1));
    from = end + 2;
  }
  return "-";
}

HRESULT STDMETHODCALLTYPE fake_environment::CreateWebResourceResponse(IStream* content, int status, LPCWSTR reason,
                                                                      LPCWSTR headers,
                                                                      ICoreWebView2WebResourceResponse** response) {
  if (!response) return E_POINTER;
  *response = new fake_response(content, status, reason, headers);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_web_view::add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* handler,
                                                                  EventRegistrationToken* token) {
  if (!handler || !token || closed_) return E_INVALIDARG;
  if (resource_handler_) resource_handler_->Release();
  handler->AddRef();
  resource_handler_ = handler;
  token->value = 3;
  record("resource_handler", "added");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_web_view::remove_WebResourceRequested(EventRegistrationToken token) {
  if (token.value != 3 || !resource_handler_) return S_OK;
  record("resource_handler", "removed");
  resource_handler_->Release();
  resource_handler_ = nullptr;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_web_view::AddWebResourceRequestedFilter(LPCWSTR uri,
                                                                       COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) {
  if (!uri || !*uri || closed_) return E_INVALIDARG;
  record("resource_filter", utf8(uri) + " " + std::to_string((int)context));
  resource_filters_.push_back(lower(uri));
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_web_view::RemoveWebResourceRequestedFilter(LPCWSTR uri,
                                                                          COREWEBVIEW2_WEB_RESOURCE_CONTEXT) {
  if (!uri) return E_INVALIDARG;
  std::erase(resource_filters_, lower(uri));
  return S_OK;
}

bool fake_web_view::fetch_through_handler(const std::wstring& address, const std::wstring& method,
                                          const std::wstring& range) {
  bool taken = false;
  for (const std::wstring& filter : resource_filters_) taken = taken || wildcard_matches(filter.c_str(), lower(address).c_str());
  if (!taken) return false;
  if (!resource_handler_) {
    record("fetched", utf8(address.c_str()) + " unanswered");
    return true;
  }
  auto* args = new fake_request_args(new fake_request(address, method, range));
  // The answer is read and logged once it is final.
  args->answered = [this, address, args] {
    if (fake_response* response = args->response()) {
      IStream* content = nullptr;
      response->get_Content(&content);
      int status = 0;
      response->get_StatusCode(&status);
      std::string bytes;
      bool read = !content || read_all(content, bytes);
      if (content) content->Release();
      record_fetch(address, status, response->header("Content-Type"), response->header("Content-Length"),
                   read ? &bytes : nullptr);
    } else {
      record("fetched", utf8(address.c_str()) + " unanswered");
    }
  };
  ICoreWebView2WebResourceRequestedEventHandler* handler = resource_handler_;
  handler->AddRef();
  handler->Invoke(this, args);
  handler->Release();
  if (!args->deferred) args->answered();
  args->Release();
  return true;
}

void fake_web_view::fetch(const std::wstring& asked) {
  // "HEAD address" asks without a body, "bytes=A-B address" for a range.
  std::wstring address = asked, method = L"GET", range;
  if (address.starts_with(L"HEAD ")) method = L"HEAD", address.erase(0, 5);
  if (address.starts_with(L"bytes=") && address.find(L' ') != std::wstring::npos) {
    range = address.substr(0, address.find(L' '));
    address.erase(0, range.size() + 1);
  }
  // A relative address, as a page has it, is taken from its document's folder.
  std::wstring absolute = address;
  if (address.find(L"://") == std::wstring::npos)
    absolute = source_.substr(0, source_.find_first_of(L"?#")).substr(0, source_.find_last_of(L"/\\") + 1) + address;
  if (fetch_through_handler(absolute, method, range)) return;
  std::wstring file = mapped_file(absolute);
  if (file.empty()) file = wide_of(file_address_path(utf8(absolute.c_str())));
  if (file.empty()) return record("fetched", utf8(absolute.c_str()) + " network");
  HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return record_fetch(absolute, 404, "-", "-", nullptr);
  std::string bytes;
  char piece[65536];
  DWORD got = 0;
  while (ReadFile(handle, piece, sizeof piece, &got, nullptr) && got) bytes.append(piece, got);
  CloseHandle(handle);
  record_fetch(absolute, 200, "-", std::to_string(bytes.size()), &bytes);
}

extern "C" {

// In this process: has every open web view's page load the address; how many did.
__declspec(dllexport) int wapp_fake_webview2_fetch(const wchar_t* address) {
  std::vector<fake_web_view*> targets = open_web_views;
  for (fake_web_view* web_view : targets) web_view->fetch(address);
  return (int)targets.size();
}

}  // extern "C"
