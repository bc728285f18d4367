// The web view: navigation shows the address or HTML as the browser window's
// text; init scripts count for documents navigated after their completion.
#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "fake_objects.h"
#include "fake_webview2.h"

std::vector<fake_web_view*> open_web_views;

HRESULT STDMETHODCALLTYPE fake_settings::put_IsStatusBarEnabled(BOOL enabled) {
  record("settings", std::string("statusbar ") + (enabled ? "1" : "0"));
  status_bar_ = enabled;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_settings::put_AreDevToolsEnabled(BOOL enabled) {
  record("settings", std::string("devtools ") + (enabled ? "1" : "0"));
  dev_tools_ = enabled;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_settings::put_IsNonClientRegionSupportEnabled(BOOL enabled) {
  record("settings", std::string("non_client_region ") + (enabled ? "1" : "0"));
  non_client_region_ = enabled;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_settings::QueryInterface(REFIID iid, void** object) {
  if (!IsEqualIID(iid, IID_ICoreWebView2Settings9)) return fake_com::QueryInterface(iid, object);
  if (!object) return E_POINTER;
  *object = nullptr;
  if (injected_failure() == "no_settings_9") return E_NOINTERFACE;
  AddRef();
  *object = static_cast<ICoreWebView2Settings9*>(this);
  return S_OK;
}

namespace {

// window.close() comes with arguments that have no properties.
class fake_close_args final : public fake_com<IUnknown> {
 public:
  fake_close_args() : fake_com("close_args", IID_IUnknown) {}
};

// The page's actions are the first browser's: one made after its process
// ended does not play them again.
bool browser_process_ended = false;

class fake_failure_args final : public fake_com<ICoreWebView2ProcessFailedEventArgs> {
 public:
  explicit fake_failure_args(COREWEBVIEW2_PROCESS_FAILED_KIND kind)
      : fake_com("failure_args", IID_ICoreWebView2ProcessFailedEventArgs), kind_(kind) {}
  HRESULT STDMETHODCALLTYPE get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* kind) override {
    if (!kind) return E_POINTER;
    *kind = kind_;
    return S_OK;
  }

 private:
  COREWEBVIEW2_PROCESS_FAILED_KIND kind_;
};

// The answer is logged as "permission <uri> <kind> <state>" when it is
// final: at once, or when a deferral taken completes.
class fake_permission_args final : public fake_com<ICoreWebView2PermissionRequestedEventArgs> {
 public:
  fake_permission_args(std::wstring uri, COREWEBVIEW2_PERMISSION_KIND kind)
      : fake_com("permission_args", IID_ICoreWebView2PermissionRequestedEventArgs), uri_(std::move(uri)), kind_(kind) {}
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return task_memory_copy(uri_.c_str(), uri); }
  HRESULT STDMETHODCALLTYPE get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND* kind) override {
    if (!kind) return E_POINTER;
    *kind = kind_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* user) override { return answer(user, FALSE); }
  HRESULT STDMETHODCALLTYPE get_State(COREWEBVIEW2_PERMISSION_STATE* state) override {
    if (!state) return E_POINTER;
    *state = state_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_State(COREWEBVIEW2_PERMISSION_STATE state) override {
    state_ = state;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override;
  void settled() {
    const char* states[] = {"default", "allow", "deny"};
    record("permission", utf8(uri_.c_str()) + " " + std::to_string((int)kind_) + " " + states[(int)state_ % 3]);
  }
  bool deferred() const { return deferred_; }

 private:
  std::wstring uri_;
  COREWEBVIEW2_PERMISSION_KIND kind_;
  COREWEBVIEW2_PERMISSION_STATE state_ = COREWEBVIEW2_PERMISSION_STATE_DEFAULT;
  bool deferred_ = false;
};

class fake_deferral final : public fake_com<ICoreWebView2Deferral> {
 public:
  explicit fake_deferral(fake_permission_args* args) : fake_com("deferral", IID_ICoreWebView2Deferral), args_(args) {
    args_->AddRef();
  }
  ~fake_deferral() override { args_->Release(); }
  HRESULT STDMETHODCALLTYPE Complete() override {
    if (!completed_) args_->settled();
    completed_ = true;
    return S_OK;
  }

 private:
  fake_permission_args* args_;
  bool completed_ = false;
};

HRESULT STDMETHODCALLTYPE fake_permission_args::GetDeferral(ICoreWebView2Deferral** deferral) {
  if (!deferral) return E_POINTER;
  deferred_ = true;
  *deferral = new fake_deferral(this);
  return S_OK;
}

class fake_message_args final : public fake_com<ICoreWebView2WebMessageReceivedEventArgs> {
 public:
  // A text the page posted (window.external.invoke's), from about:blank.
  explicit fake_message_args(const wchar_t* text)
      : fake_com("message_args", IID_ICoreWebView2WebMessageReceivedEventArgs),
        source_(L"about:blank"), json_(text), text_(text), is_text_(true) {}
  // Any value, as its JSON, from the document at source: a JSON string
  // literal is a text (its escapes are left as they are), anything else is not.
  fake_message_args(const std::wstring& source, const std::wstring& json)
      : fake_com("message_args", IID_ICoreWebView2WebMessageReceivedEventArgs), source_(source), json_(json) {
    is_text_ = json.size() >= 2 && json.front() == L'"' && json.back() == L'"';
    if (is_text_) text_ = json.substr(1, json.size() - 2);
  }
  HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* source) override { return task_memory_copy(source_.c_str(), source); }
  HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* json) override {
    return task_memory_copy(json_.c_str(), json);
  }
  HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* text) override {
    if (!is_text_) {
      if (text) *text = nullptr;
      return E_INVALIDARG;
    }
    record("message_read", utf8(text_.c_str()));
    return task_memory_copy(text_.c_str(), text);
  }

 private:
  std::wstring source_, json_, text_;
  bool is_text_ = false;
};

}  // namespace

fake_web_view::fake_web_view(HWND browser)
    : fake_com("web_view", IID_ICoreWebView2), browser_(browser), settings_(new fake_settings) {
  open_web_views.push_back(this);
}

fake_web_view::~fake_web_view() {
  close();
  settings_->Release();
}

void fake_web_view::close() {
  closed_ = true;
  hold_document_file(nullptr);
  open_web_views.erase(std::remove(open_web_views.begin(), open_web_views.end(), this), open_web_views.end());
  if (message_handler_) message_handler_->Release();
  message_handler_ = nullptr;
  if (close_handler_) close_handler_->Release();
  close_handler_ = nullptr;
  if (resource_handler_) resource_handler_->Release();
  resource_handler_ = nullptr;
  if (new_window_handler_) new_window_handler_->Release();
  new_window_handler_ = nullptr;
  if (navigation_handler_) navigation_handler_->Release();
  navigation_handler_ = nullptr;
  if (title_handler_) title_handler_->Release();
  title_handler_ = nullptr;
  if (failure_handler_) failure_handler_->Release();
  failure_handler_ = nullptr;
  if (permission_handler_) permission_handler_->Release();
  permission_handler_ = nullptr;
}

void fake_web_view::request_permission(const std::wstring& uri, COREWEBVIEW2_PERMISSION_KIND kind) {
  auto* args = new fake_permission_args(uri, kind);
  if (permission_handler_) raise_event(permission_handler_, this, args);
  // Unanswered, the runtime would ask in its own way: "default".
  if (!args->deferred()) args->settled();
  args->Release();
}

void fake_web_view::fail_process(COREWEBVIEW2_PROCESS_FAILED_KIND kind) {
  record("process_failed", std::to_string((int)kind) + (failure_handler_ ? " heard" : " unheard"));
  if (!failure_handler_) return;
  ICoreWebView2ProcessFailedEventHandler* handler = failure_handler_;
  handler->AddRef();
  if (kind == COREWEBVIEW2_PROCESS_FAILED_KIND_BROWSER_PROCESS_EXITED) {
    browser_process_ended = true;
    close();
    SetWindowTextW(browser_, L"");
  }
  auto* args = new fake_failure_args(kind);
  raise_event(handler, this, args);
  args->Release();
  handler->Release();
}

// The renderer made anew shows the document again.
HRESULT STDMETHODCALLTYPE fake_web_view::Reload() {
  if (closed_) return E_INVALIDARG;
  std::wstring address = source_;
  show_document("reload", address.c_str());
  return S_OK;
}

bool fake_web_view::deliver_message(const wchar_t* text) {
  if (!message_handler_) return false;
  auto* args = new fake_message_args(text);
  raise_event(message_handler_, this, args);
  args->Release();
  return true;
}

void fake_web_view::post_page_message(const std::wstring& source, const std::wstring& json) {
  record("page_message", message_handler_ ? "heard" : "unheard");
  if (!message_handler_) return;
  auto* args = new fake_message_args(source, json);
  raise_event(message_handler_, this, args);
  args->Release();
}

HRESULT STDMETHODCALLTYPE fake_web_view::PostWebMessageAsJson(LPCWSTR json) {
  if (closed_ || !json) return E_INVALIDARG;
  record("posted_json", utf8(json));
  return S_OK;
}

void fake_web_view::request_window_close() {
  record("window_close_requested", close_handler_ ? "heard" : "unheard");
  if (!close_handler_) return;
  auto* args = new fake_close_args;
  raise_event(close_handler_, this, args);
  args->Release();
}

// A new document has no title of its own yet: the browser gives its
// address as one, and says so.
void fake_web_view::show_document(const char* key, LPCWSTR text) {
  record(key, utf8(text));
  record("document_scripts", std::to_string(scripts_ready_));
  SetWindowTextW(browser_, text);
  change_title(source_);
}

void fake_web_view::change_title(const std::wstring& title) {
  title_ = title;
  if (title_handler_) raise_event(title_handler_, this, (IUnknown*)nullptr);
}

void fake_web_view::hold_document_file(LPCWSTR address) {
  if (document_file_ != INVALID_HANDLE_VALUE) CloseHandle(document_file_);
  document_file_ = INVALID_HANDLE_VALUE;
  if (!address) return;
  // Read as a browser reads it: file:///C:/... as well as the plain file://C:\...
  std::wstring path = wide_of(file_address_path(utf8_of(address)));
  document_file_ = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (document_file_ != INVALID_HANDLE_VALUE) record("document_file", "held");
}

HRESULT STDMETHODCALLTYPE fake_web_view::get_Settings(ICoreWebView2Settings** settings) {
  if (!settings) return E_POINTER;
  settings_->AddRef();
  *settings = settings_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_web_view::get_Source(LPWSTR* uri) { return task_memory_copy(source_.c_str(), uri); }

// The host's navigation starts as the page's do, as a user's.
HRESULT STDMETHODCALLTYPE fake_web_view::Navigate(LPCWSTR uri) {
  if (!uri || closed_) return E_INVALIDARG;
  if (navigation_may_start(uri, true, false)) go_to(uri);
  return S_OK;
}

void fake_web_view::go_to(LPCWSTR uri) {
  source_ = uri;
  show_document("navigate", uri);
  hold_document_file(uri);
  record_served_file(uri);
  // The document itself is the first request a filter may take.
  fetch_through_handler(uri);
  if (!page_played_ && !browser_process_ended) {
    page_played_ = true;
    play_page_actions(this);
  }
}

HRESULT STDMETHODCALLTYPE fake_web_view::QueryInterface(REFIID iid, void** object) {
  if (!IsEqualIID(iid, IID_ICoreWebView2_2) && !IsEqualIID(iid, IID_ICoreWebView2_3))
    return fake_com::QueryInterface(iid, object);
  if (!object) return E_POINTER;
  *object = nullptr;
  // A runtime from before virtual hosts still has the interfaces before them.
  if (IsEqualIID(iid, IID_ICoreWebView2_3) && injected_failure() == "no_webview_3") return E_NOINTERFACE;
  AddRef();
  *object = static_cast<ICoreWebView2_3*>(this);
  return S_OK;
}

namespace {

std::wstring lower_case(std::wstring text) {
  for (wchar_t& c : text) c = (wchar_t)towlower(c);
  return text;
}

}  // namespace

HRESULT STDMETHODCALLTYPE fake_web_view::SetVirtualHostNameToFolderMapping(
    LPCWSTR host_name, LPCWSTR folder_path, COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND access) {
  record("virtual_host", utf8(host_name) + " " + utf8(folder_path) + " " + std::to_string((int)access));
  if (!host_name || !*host_name || !folder_path || !*folder_path || closed_) return E_INVALIDARG;
  virtual_hosts_[lower_case(host_name)] = folder_path;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_web_view::ClearVirtualHostNameToFolderMapping(LPCWSTR host_name) {
  if (!host_name) return E_INVALIDARG;
  virtual_hosts_.erase(lower_case(host_name));
  return S_OK;
}

std::wstring fake_web_view::mapped_file(const std::wstring& address) const {
  constexpr wchar_t scheme[] = L"https://";
  if (lower_case(address.substr(0, 8)) != scheme) return L"";
  size_t host_end = std::min(address.find(L'/', 8), address.size());
  auto mapping = virtual_hosts_.find(lower_case(address.substr(8, host_end - 8)));
  if (mapping == virtual_hosts_.end()) return L"";
  std::wstring path = host_end < address.size() ? address.substr(host_end + 1) : L"";
  path = path.substr(0, path.find_first_of(L"?#"));
  std::wstring file = mapping->second;
  if (!file.empty() && file.back() != L'\\' && file.back() != L'/') file += L'\\';
  for (wchar_t c : path) file += c == L'/' ? L'\\' : c;
  return file;
}

// "served <present|missing> <file>": what the browser would load for the
// address, so that tests see the mapping and the address meet.
void fake_web_view::record_served_file(const std::wstring& address) {
  std::wstring file = mapped_file(address);
  if (file.empty()) return;
  bool present = GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
  record("served", std::string(present ? "present " : "missing ") + utf8(file.c_str()));
}

HRESULT STDMETHODCALLTYPE fake_web_view::NavigateToString(LPCWSTR html) {
  if (!html || closed_) return E_INVALIDARG;
  source_ = L"about:blank";
  show_document("html", html);
  hold_document_file(nullptr);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_web_view::AddScriptToExecuteOnDocumentCreated(
    LPCWSTR script, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) {
  if (!script) return E_INVALIDARG;
  record("script", utf8(script));
  AddRef();
  if (handler) handler->AddRef();
  post_work([this, handler] {
    int id = ++scripts_ready_;
    if (handler) {
      handler->Invoke(S_OK, std::to_wstring(id).c_str());
      handler->Release();
    }
    Release();
  });
  return S_OK;
}

namespace {

// One handler per event, as the launcher registers them; the token's value
// tells the events apart. key names the handler in the log.
template <class Handler>
HRESULT add_handler(Handler*& slot, Handler* handler, EventRegistrationToken* token, int64_t value, const char* key) {
  if (!handler || !token) return E_INVALIDARG;
  if (slot) slot->Release();
  handler->AddRef();
  slot = handler;
  token->value = value;
  record(key, "added");
  return S_OK;
}

template <class Handler>
void remove_handler(Handler*& slot, EventRegistrationToken token, int64_t value, const char* key) {
  if (token.value != value || !slot) return;
  record(key, "removed");
  slot->Release();
  slot = nullptr;
}

constexpr int64_t message_token = 1, close_token = 2, new_window_token = 3, navigation_token = 4, title_token = 5,
                  failure_token = 6, permission_token = 7;

}  // namespace

HRESULT STDMETHODCALLTYPE fake_web_view::add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                                                                EventRegistrationToken* token) {
  return closed_ ? E_INVALIDARG : add_handler(message_handler_, handler, token, message_token, "message_handler");
}

HRESULT STDMETHODCALLTYPE fake_web_view::remove_WebMessageReceived(EventRegistrationToken token) {
  remove_handler(message_handler_, token, message_token, "message_handler");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_web_view::add_WindowCloseRequested(ICoreWebView2WindowCloseRequestedEventHandler* handler,
                                                                  EventRegistrationToken* token) {
  return closed_ ? E_INVALIDARG : add_handler(close_handler_, handler, token, close_token, "close_handler");
}

HRESULT STDMETHODCALLTYPE fake_web_view::remove_WindowCloseRequested(EventRegistrationToken token) {
  remove_handler(close_handler_, token, close_token, "close_handler");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_web_view::add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* handler,
                                                           EventRegistrationToken* token) {
  return closed_ ? E_INVALIDARG : add_handler(failure_handler_, handler, token, failure_token, "failure_handler");
}

HRESULT STDMETHODCALLTYPE fake_web_view::remove_ProcessFailed(EventRegistrationToken token) {
  remove_handler(failure_handler_, token, failure_token, "failure_handler");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_web_view::add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler* handler,
                                                                 EventRegistrationToken* token) {
  return closed_ ? E_INVALIDARG
                 : add_handler(permission_handler_, handler, token, permission_token, "permission_handler");
}

HRESULT STDMETHODCALLTYPE fake_web_view::remove_PermissionRequested(EventRegistrationToken token) {
  remove_handler(permission_handler_, token, permission_token, "permission_handler");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_web_view::add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler* handler,
                                                                  EventRegistrationToken* token) {
  return closed_ ? E_INVALIDARG : add_handler(title_handler_, handler, token, title_token, "title_handler");
}

HRESULT STDMETHODCALLTYPE fake_web_view::remove_DocumentTitleChanged(EventRegistrationToken token) {
  remove_handler(title_handler_, token, title_token, "title_handler");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_web_view::get_DocumentTitle(LPWSTR* title) { return task_memory_copy(title_.c_str(), title); }

HRESULT STDMETHODCALLTYPE fake_web_view::add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* handler,
                                                                EventRegistrationToken* token) {
  return closed_ ? E_INVALIDARG
                 : add_handler(new_window_handler_, handler, token, new_window_token, "new_window_handler");
}

HRESULT STDMETHODCALLTYPE fake_web_view::remove_NewWindowRequested(EventRegistrationToken token) {
  remove_handler(new_window_handler_, token, new_window_token, "new_window_handler");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE fake_web_view::add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                                                                EventRegistrationToken* token) {
  return closed_ ? E_INVALIDARG
                 : add_handler(navigation_handler_, handler, token, navigation_token, "navigation_handler");
}

HRESULT STDMETHODCALLTYPE fake_web_view::remove_NavigationStarting(EventRegistrationToken token) {
  remove_handler(navigation_handler_, token, navigation_token, "navigation_handler");
  return S_OK;
}
