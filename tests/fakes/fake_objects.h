#pragma once
// Inside the fake WebView2 runtime: recording, posted work, and the COM
// objects it hands out. Every object counts its references and records its
// releases, so tests can see what a client leaves behind.
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "runtime/browser/webview2.h"

// ---- recording (fake_record.cpp) ----
void record(const char* key, const std::string& value);
std::string utf8(const wchar_t* text);
std::string hresult_text(HRESULT result);
// A copy of text in task memory, as the runtime hands texts out.
HRESULT task_memory_copy(const wchar_t* text, LPWSTR* out);
// The injected failure named by WAPP_FAKE_WEBVIEW2_FAIL, or "".
std::string injected_failure();
// "sta", "mta" or "none": the calling thread's COM apartment.
const char* apartment();
extern int live_references;
extern int pending_work;

// Runs work later, from a message dispatched on the calling thread; with a
// delay, from a timer of that thread once the delay has passed.
void post_work(std::function<void()> work, UINT delay_ms = 0);
// A whole number of milliseconds from an environment variable, or -1 when
// it is unset or not a number.
int milliseconds_variable(const wchar_t* name);
// How long a start stands in for a real browser's: the variable's
// milliseconds, none when it is unset.
inline UINT start_delay(const wchar_t* variable) {
  int delay = milliseconds_variable(variable);
  return delay > 0 ? (UINT)delay : 0;
}
// Keeps this DLL loaded for good, as a real runtime keeps itself.
void pin_module();

// ---- the COM objects ----
// IUnknown for one interface, with the counting and recording every fake
// object shares. Objects start with one reference, the creator's.
template <class Interface>
class fake_com : public Interface {
 public:
  fake_com(const char* kind, const IID& iid) : iid_(iid) {
    static int serial;
    name_ = std::string(kind) + "#" + std::to_string(++serial);
    live_references++;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, iid_)) return E_NOINTERFACE;
    AddRef();
    *object = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    live_references++;
    return (ULONG)++references_;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    live_references--;
    LONG left = --references_;
    record("released", name_ + " " + std::to_string(left));
    if (!left) {
      record("destroyed", name_ + " " + apartment());
      delete this;
    }
    return (ULONG)left;
  }
  const std::string& name() const { return name_; }

 protected:
  virtual ~fake_com() = default;

 private:
  LONG references_ = 1;
  IID iid_;
  std::string name_;
};

// A BOOL property's answer.
inline HRESULT answer(BOOL* out, BOOL value) {
  if (!out) return E_POINTER;
  *out = value;
  return S_OK;
}

// Invokes an event's handler with it held, as the runtime holds it: the
// handler may remove itself while it runs.
template <class Handler, class Sender, class Args>
void raise_event(Handler* handler, Sender* sender, Args* args) {
  handler->AddRef();
  handler->Invoke(sender, args);
  handler->Release();
}

// Offers ICoreWebView2Settings9 as well, unless WAPP_FAKE_WEBVIEW2_FAIL
// withholds it as a runtime before 123 does.
class fake_settings final : public fake_com<ICoreWebView2Settings9> {
 public:
  fake_settings() : fake_com("settings", IID_ICoreWebView2Settings) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  HRESULT STDMETHODCALLTYPE get_IsScriptEnabled(BOOL* enabled) override { return answer(enabled, TRUE); }
  HRESULT STDMETHODCALLTYPE put_IsScriptEnabled(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_IsWebMessageEnabled(BOOL* enabled) override { return answer(enabled, TRUE); }
  HRESULT STDMETHODCALLTYPE put_IsWebMessageEnabled(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_AreDefaultScriptDialogsEnabled(BOOL* enabled) override { return answer(enabled, TRUE); }
  HRESULT STDMETHODCALLTYPE put_AreDefaultScriptDialogsEnabled(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE get_IsStatusBarEnabled(BOOL* enabled) override { return answer(enabled, status_bar_); }
  HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL enabled) override;
  HRESULT STDMETHODCALLTYPE get_AreDevToolsEnabled(BOOL* enabled) override { return answer(enabled, dev_tools_); }
  HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL enabled) override;
  HRESULT STDMETHODCALLTYPE get_AreDefaultContextMenusEnabled(BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_AreHostObjectsAllowed(BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_IsZoomControlEnabled(BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_IsBuiltInErrorPageEnabled(BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_IsBuiltInErrorPageEnabled(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_UserAgent(LPWSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_UserAgent(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_AreBrowserAcceleratorKeysEnabled(BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_AreBrowserAcceleratorKeysEnabled(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_IsPasswordAutosaveEnabled(BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_IsPasswordAutosaveEnabled(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_IsGeneralAutofillEnabled(BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_IsGeneralAutofillEnabled(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_IsPinchZoomEnabled(BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_IsPinchZoomEnabled(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_IsSwipeNavigationEnabled(BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_IsSwipeNavigationEnabled(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_HiddenPdfToolbarItems(int32_t*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_HiddenPdfToolbarItems(int32_t) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_IsReputationCheckingRequired(BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_IsReputationCheckingRequired(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_IsNonClientRegionSupportEnabled(BOOL* enabled) override {
    return answer(enabled, non_client_region_);
  }
  HRESULT STDMETHODCALLTYPE put_IsNonClientRegionSupportEnabled(BOOL enabled) override;

 private:
  BOOL status_bar_ = TRUE, dev_tools_ = TRUE, non_client_region_ = FALSE;
};

// Offers ICoreWebView2_3 as well (unless WAPP_FAKE_WEBVIEW2_FAIL withholds
// it), so that folders can be served under virtual host names.
class fake_web_view final : public fake_com<ICoreWebView2_3> {
 public:
  explicit fake_web_view(HWND browser);
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  // The controller closes: handlers are let go, the page goes dark.
  void close();
  // Hands a page message to the registered handler; false without one.
  bool deliver_message(const wchar_t* text);
  // The document at source posts a value, given as its JSON.
  void post_page_message(const std::wstring& source, const std::wstring& json);
  // The page calls window.close(): the registered handler hears it.
  void request_window_close();
  // The page asks for a window (window.open, target="_blank"): the handler
  // hears it, and unless it handles the request the runtime's popup opens.
  void request_new_window(const std::wstring& uri);
  // The page's document is to go to uri (a link, a script, or the server's
  // redirect): unless the handler cancels, it goes as Navigate goes.
  void request_navigation(const std::wstring& uri, bool redirect);
  // The document's title becomes title (document.title = title).
  void change_title(const std::wstring& title);
  // The document at uri asks for a kind of permission: PermissionRequested;
  // the answer is logged when the handler gives it.
  void request_permission(const std::wstring& uri, COREWEBVIEW2_PERMISSION_KIND kind);
  // A process of the browser fails: ProcessFailed. After the browser
  // process's end the web view is closed, as the runtime's is.
  void fail_process(COREWEBVIEW2_PROCESS_FAILED_KIND kind);
  bool is_closed() const { return closed_; }
  // The page loads the address (relative to the document's), as a browser
  // does: through the WebResourceRequested handler when a filter takes it,
  // else from a mapped folder or the file it names; the answer is logged
  // (fake_resources.cpp).
  void fetch(const std::wstring& address);

  HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override;
  HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) override;
  HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override;
  HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR html) override;
  HRESULT STDMETHODCALLTYPE add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                                                   EventRegistrationToken* token) override;
  HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventRegistrationToken token) override;
  HRESULT STDMETHODCALLTYPE add_ContentLoading(void*, EventRegistrationToken*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE remove_ContentLoading(EventRegistrationToken) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE add_SourceChanged(void*, EventRegistrationToken*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE remove_SourceChanged(EventRegistrationToken) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE add_HistoryChanged(void*, EventRegistrationToken*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE remove_HistoryChanged(EventRegistrationToken) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE add_NavigationCompleted(void*, EventRegistrationToken*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE remove_NavigationCompleted(EventRegistrationToken) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE add_FrameNavigationStarting(void*, EventRegistrationToken*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE remove_FrameNavigationStarting(EventRegistrationToken) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE add_FrameNavigationCompleted(void*, EventRegistrationToken*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE remove_FrameNavigationCompleted(EventRegistrationToken) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE add_ScriptDialogOpening(void*, EventRegistrationToken*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE remove_ScriptDialogOpening(EventRegistrationToken) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler* handler,
                                                    EventRegistrationToken* token) override;
  HRESULT STDMETHODCALLTYPE remove_PermissionRequested(EventRegistrationToken token) override;
  HRESULT STDMETHODCALLTYPE add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* handler,
                                              EventRegistrationToken* token) override;
  HRESULT STDMETHODCALLTYPE remove_ProcessFailed(EventRegistrationToken token) override;
  HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
      LPCWSTR script, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) override;
  HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR, void*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CapturePreview(int32_t, IStream*, void*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reload() override;
  HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR json) override;
  HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                                                   EventRegistrationToken* token) override;
  HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken token) override;
  HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethod(LPCWSTR, LPCWSTR, void*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GoBack() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GoForward() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDevToolsProtocolEventReceiver(LPCWSTR, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stop() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* handler,
                                                   EventRegistrationToken* token) override;
  HRESULT STDMETHODCALLTYPE remove_NewWindowRequested(EventRegistrationToken token) override;
  HRESULT STDMETHODCALLTYPE add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler* handler,
                                                     EventRegistrationToken* token) override;
  HRESULT STDMETHODCALLTYPE remove_DocumentTitleChanged(EventRegistrationToken token) override;
  HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) override;
  HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR, void*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE add_ContainsFullScreenElementChanged(void*, EventRegistrationToken*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE remove_ContainsFullScreenElementChanged(EventRegistrationToken) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE get_ContainsFullScreenElement(BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* handler,
                                                     EventRegistrationToken* token) override;
  HRESULT STDMETHODCALLTYPE remove_WebResourceRequested(EventRegistrationToken token) override;
  HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(LPCWSTR uri,
                                                          COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) override;
  HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilter(LPCWSTR uri,
                                                             COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) override;
  HRESULT STDMETHODCALLTYPE add_WindowCloseRequested(ICoreWebView2WindowCloseRequestedEventHandler* handler,
                                                     EventRegistrationToken* token) override;
  HRESULT STDMETHODCALLTYPE remove_WindowCloseRequested(EventRegistrationToken token) override;
  HRESULT STDMETHODCALLTYPE add_WebResourceResponseReceived(void*, EventRegistrationToken*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE remove_WebResourceResponseReceived(EventRegistrationToken) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE NavigateWithWebResourceRequest(void*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE add_DOMContentLoaded(void*, EventRegistrationToken*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE remove_DOMContentLoaded(EventRegistrationToken) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_CookieManager(void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Environment(ICoreWebView2Environment**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE TrySuspend(void*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Resume() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_IsSuspended(BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetVirtualHostNameToFolderMapping(LPCWSTR host_name, LPCWSTR folder_path,
                                                              COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND access) override;
  HRESULT STDMETHODCALLTYPE ClearVirtualHostNameToFolderMapping(LPCWSTR host_name) override;

 private:
  ~fake_web_view() override;
  // For an address under a mapped host: the file it names in the folder.
  void record_served_file(const std::wstring& address);
  // Shows a new document in the browser window.
  void show_document(const char* key, LPCWSTR text);
  // The handler's answer for an address a filter takes, logged; false when
  // no filter takes it.
  bool fetch_through_handler(const std::wstring& address, const std::wstring& method = L"GET",
                             const std::wstring& range = L"");
  // The folder a mapped host serves the address from, or "".
  std::wstring mapped_file(const std::wstring& address) const;
  // NavigationStarting for uri (fake_navigation.cpp); false when cancelled.
  bool navigation_may_start(const std::wstring& uri, bool user_initiated, bool redirect);
  // What a navigation that was not cancelled does.
  void go_to(LPCWSTR uri);
  // A browser keeps the file it shows open, so that its folder cannot be
  // deleted under it: a file:// address's file is held until the next
  // document or the close.
  void hold_document_file(LPCWSTR address);

  HWND browser_;
  fake_settings* settings_;
  std::wstring source_ = L"about:blank";
  int scripts_ready_ = 0;
  ICoreWebView2WebMessageReceivedEventHandler* message_handler_ = nullptr;
  ICoreWebView2WindowCloseRequestedEventHandler* close_handler_ = nullptr;
  ICoreWebView2WebResourceRequestedEventHandler* resource_handler_ = nullptr;
  std::vector<std::wstring> resource_filters_;  // in lower case
  ICoreWebView2NewWindowRequestedEventHandler* new_window_handler_ = nullptr;
  ICoreWebView2NavigationStartingEventHandler* navigation_handler_ = nullptr;
  ICoreWebView2DocumentTitleChangedEventHandler* title_handler_ = nullptr;
  ICoreWebView2ProcessFailedEventHandler* failure_handler_ = nullptr;
  ICoreWebView2PermissionRequestedEventHandler* permission_handler_ = nullptr;
  std::wstring title_;
  HANDLE document_file_ = INVALID_HANDLE_VALUE;
  bool closed_ = false;
  bool page_played_ = false;  // WAPP_FAKE_WEBVIEW2_PAGE's actions are played once, on the first document
  // Host names in lower case, and their folders.
  std::map<std::wstring, std::wstring> virtual_hosts_;
};

class fake_controller final : public fake_com<ICoreWebView2Controller> {
 public:
  fake_controller(ICoreWebView2Environment* environment, HWND parent);

  HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* visible) override;
  HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL visible) override;
  HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) override;
  HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) override;
  HRESULT STDMETHODCALLTYPE get_ZoomFactor(double*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_ZoomFactor(double) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE add_ZoomFactorChanged(void*, EventRegistrationToken*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE remove_ZoomFactorChanged(EventRegistrationToken) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT, double) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override;
  HRESULT STDMETHODCALLTYPE add_MoveFocusRequested(void*, EventRegistrationToken*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE remove_MoveFocusRequested(EventRegistrationToken) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE add_GotFocus(void*, EventRegistrationToken*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE remove_GotFocus(EventRegistrationToken) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE add_LostFocus(void*, EventRegistrationToken*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE remove_LostFocus(EventRegistrationToken) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE add_AcceleratorKeyPressed(void*, EventRegistrationToken*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE remove_AcceleratorKeyPressed(EventRegistrationToken) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parent) override;
  HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Close() override;
  HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** web_view) override;

 private:
  ~fake_controller() override;

  ICoreWebView2Environment* environment_;
  HWND parent_;
  HWND browser_;
  fake_web_view* web_view_;
  bool closed_ = false;
};

class fake_environment final : public fake_com<ICoreWebView2Environment> {
 public:
  fake_environment() : fake_com("environment", IID_ICoreWebView2Environment) {}
  HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
      HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override;
  HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(IStream* content, int status, LPCWSTR reason, LPCWSTR headers,
                                                      ICoreWebView2WebResourceResponse** response) override;
};

// A response as the environment makes it: kept as given, for the fake's
// web view to read when the handler has put it into a request's arguments.
class fake_response final : public fake_com<ICoreWebView2WebResourceResponse> {
 public:
  fake_response(IStream* content, int status, LPCWSTR reason, LPCWSTR headers);
  HRESULT STDMETHODCALLTYPE get_Content(IStream** content) override;
  HRESULT STDMETHODCALLTYPE put_Content(IStream* content) override;
  HRESULT STDMETHODCALLTYPE get_Headers(void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_StatusCode(int* status) override;
  HRESULT STDMETHODCALLTYPE put_StatusCode(int status) override;
  HRESULT STDMETHODCALLTYPE get_ReasonPhrase(LPWSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_ReasonPhrase(LPCWSTR) override { return E_NOTIMPL; }
  // The value of a header of the text the response was made with, or "-".
  std::string header(const std::string& name) const;

 private:
  ~fake_response() override;
  IStream* content_;
  int status_;
  std::string headers_;
};

// The runtime's side of environment creation, shared by both entries.
HRESULT create_environment(uint8_t flag, int32_t runtime_type, PCWSTR user_data_folder, IUnknown* options,
                           ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);
// Plays the actions of the file WAPP_FAKE_WEBVIEW2_PAGE names on the web
// view, in order, from the message loop (fake_page.cpp).
void play_page_actions(fake_web_view* view);
// Web views that can still receive page messages.
extern std::vector<fake_web_view*> open_web_views;
