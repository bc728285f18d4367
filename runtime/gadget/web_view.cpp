// The web view gadget kind: its table, host window class, the browser
// arguments of the process, creation and the kind's operations.
#include "runtime/gadget/web_view.h"

#include <cwchar>
#include <new>

#include "runtime/browser/webview.h"
#include "runtime/core/containers.h"
#include "runtime/core/registry.h"
#include "runtime/core/runtime_globals.h"
#include "runtime/core/strings.h"
#include "runtime/window/display_scale.h"

gadget_kind web_view_kind;

namespace {

bool kind_set_up;
bool runtime_missing;
webview::environment* prepared_environment;
constexpr wchar_t host_class[] = L"TiloWebView";
constexpr int32_t name_map_value_size = 16;
constexpr int32_t name_map_buckets = 128;

// Every browser of the process keeps its disk cache in "WebView2_Cache" under
// the temporary directory, which already ends in a backslash. The value is
// made whole or not at all: a temporary path cut short would name another
// folder. GetTempPathW returns at most MAX_PATH + 1 units.
void set_browser_arguments() {
  wchar_t temp[MAX_PATH + 2];
  DWORD length = GetTempPathW(MAX_PATH + 2, temp);
  if (!length || length >= MAX_PATH + 2) return;
  wchar_t value[MAX_PATH + 64];
  constexpr int capacity = sizeof value / sizeof value[0];
  // Some C runtimes answer the full length of a cut text rather than -1.
  int written = swprintf(value, capacity, L"--disk-cache-dir=\"%ls\\WebView2_Cache\"", temp);
  if (written < 0 || written >= capacity) return;
  SetEnvironmentVariableW(browser_arguments_variable, value);
}

// Tried once per process, whether or not the class could be registered.
void set_up_kind() {
  web_view_kind = {};
  web_view_kind.kind_code = web_view_kind_code;
  web_view_kind.table_size = sizeof(gadget_kind);
  web_view_kind.slots[slot_release] = (void*)web_view_release;
  web_view_kind.slots[slot_set_text] = (void*)web_view_set_text;
  web_view_kind.slots[slot_resize] = (void*)web_view_resize;
  web_view_kind.slots[slot_set_item_text] = (void*)web_view_set_item_text;
  web_view_kind.slots[slot_native_object] = (void*)web_view_native_object;
  web_view_kind.slots[slot_set_focus] = (void*)web_view_set_focus;
  WNDCLASSEXW host{};
  host.cbSize = sizeof host;
  host.style = CS_HREDRAW | CS_VREDRAW;
  host.lpfnWndProc = DefWindowProcW;
  host.hInstance = runtime.instance;
  host.lpszClassName = host_class;
  RegisterClassExW(&host);
  kind_set_up = true;
  set_browser_arguments();
}

// The browser of a host, or null (and nothing left behind) when it is not
// usable: no runtime, no controller, or no web view behind the controller.
webview::webview* browser_in(HWND host, bool debug) {
  auto* browser = new (std::nothrow) webview::webview(debug, host, prepared_environment);
  runtime_missing = browser && browser->runtime_missing();
  ICoreWebView2Controller* controller = browser && browser->window() ? browser->browser_controller() : nullptr;
  ICoreWebView2* web_view = nullptr;
  if (controller && controller->get_CoreWebView2(&web_view) == S_OK && web_view) {
    web_view->Release();
    return browser;
  }
  delete browser;
  return nullptr;
}

webview::webview* browser_of(gadget_record* record) { return (webview::webview*)record->data0; }

// The browser of gadget number when it is a web view; else null.
webview::webview* web_view_browser(int64_t number) {
  auto* record = (gadget_record*)find_object(gadget_registry, number);
  return record && record->kind == &web_view_kind ? browser_of(record) : nullptr;
}

}  // namespace

int64_t create_web_view_gadget(int64_t number, int32_t x, int32_t y, int32_t width, int32_t height) {
  return create_web_view_gadget_with_flags(number, x, y, width, height, 0);
}

int64_t create_web_view_gadget_with_flags(int64_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                                          int64_t flags) {
  // No gadget list to create it in (the library's state is missing).
  runtime_missing = false;
  if (!gadget_state) return 0;
  if (!kind_set_up) set_up_kind();
  HWND host = CreateWindowExW(0, host_class, L"", WS_CHILD | WS_VISIBLE, scale_x(x), scale_y(y), scale_x(width),
                              scale_y(height), gadget_state->current_gadget_list, (HMENU)(intptr_t)-1,
                              runtime.instance, nullptr);
  if (!host) return 0;
  // The browser comes first and the record last: a failure leaves a gadget
  // already under the number as it was.
  webview::webview* browser = browser_in(host, flags & 1);
  auto* record = browser ? (gadget_record*)obtain_slot(gadget_registry, number) : nullptr;
  if (!record) {
    delete browser;
    DestroyWindow(host);
    return 0;
  }
  ICoreWebView2Controller* controller = browser->browser_controller();
  record->data0 = (intptr_t)browser;
  record->data2 = (intptr_t)controller;
  map_create(name_map_value_size, 0, nullptr, (hash_map**)&record->data1, name_map_buckets);
  int64_t result = attach_gadget(number, record, host, &web_view_kind);
  controller->put_IsVisible(TRUE);
  return result;
}

int32_t prepare_web_view_environment() {
  if (prepared_environment) return 1;
  if (!kind_set_up) set_up_kind();
  prepared_environment = new (std::nothrow) webview::environment();
  return prepared_environment ? 1 : 0;
}

void release_web_view_environment() {
  if (prepared_environment) prepared_environment->release();
  prepared_environment = nullptr;
}

int32_t web_view_runtime_missing() { return runtime_missing ? 1 : 0; }

void web_view_set_text(gadget_record* record, const wchar_t* text) {
  char* address = utf8_copy_of(text);
  if (!address) return;
  browser_of(record)->navigate(address);
  free(address);
}

void web_view_set_item_text(gadget_record* record, int64_t item, const wchar_t* text) {
  if (item != 1) return;
  char* html = utf8_copy_of(text);
  if (!html) return;
  browser_of(record)->set_html(html);
  free(html);
}

void web_view_resize(gadget_record* record, int32_t x, int32_t y, int32_t width, int32_t height) {
  default_resize(record, x, y, width, height);
  browser_of(record)->resize_to_host();
}

void* web_view_native_object(gadget_record* record, int64_t which) {
  // A browser made anew after its process ended has another controller.
  if (which != web_view_native_controller) return nullptr;
  record->data2 = (intptr_t)browser_of(record)->browser_controller();
  return (void*)record->data2;
}

void web_view_set_focus(gadget_record* record) {
  if (ICoreWebView2Controller* controller = browser_of(record)->browser_controller())
    controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
}

// Not a slot of the kind: no generic gadget operation has a meaning for it.
int32_t serve_web_view_archive(int64_t number, const wchar_t* host, const zip_index& index) {
  webview::webview* browser = web_view_browser(number);
  if (!browser) return 0;
  char* name = utf8_copy_of(host);
  if (!name) return 0;
  bool serving = browser->serve_archive(name, index);
  free(name);
  return serving ? 1 : 0;
}

int32_t serve_web_view_dev(int64_t number, const wchar_t* host, const char* dev_url, const wchar_t* folder) {
  webview::webview* browser = web_view_browser(number);
  char* name = browser ? utf8_copy_of(host) : nullptr;
  if (!name) return 0;
  bool serving = false;
  try {
    serving = browser->serve_dev(name, dev_url ? dev_url : "", folder ? folder : L"");
  } catch (...) {
  }
  free(name);
  return serving ? 1 : 0;
}

int32_t keep_web_view_within_app(int64_t number, const wchar_t* folder, const wchar_t* virtual_host,
                                 const wchar_t* start_address) {
  webview::webview* browser = web_view_browser(number);
  if (!browser) return 0;
  app_scope app;
  try {
    app = {folder ? folder : L"", virtual_host ? virtual_host : L"", start_address ? start_address : L""};
  } catch (...) {
    return 0;
  }
  return browser->keep_within_app(app) ? 1 : 0;
}

int32_t serve_web_view_page_api(int64_t number, const wchar_t* script, web_view_message_listener listener,
                                void* context) {
  webview::webview* browser = web_view_browser(number);
  if (!browser) return 0;
  return browser->serve_page_api(script, listener, context) ? 1 : 0;
}

int32_t post_web_view_message(int64_t number, const wchar_t* json) {
  webview::webview* browser = web_view_browser(number);
  if (!browser) return 0;
  return browser->post_to_page(json) ? 1 : 0;
}

int32_t announce_web_view_window(int64_t number, const wchar_t* address) {
  webview::webview* browser = web_view_browser(number);
  if (!browser || !address) return 0;
  browser->announce_window(address);
  return 1;
}

int32_t answer_web_view_permissions(int64_t number, const char* policy, const char* app_name) {
  webview::webview* browser = web_view_browser(number);
  if (!browser || !policy || !app_name) return 0;
  permission_policy read;
  std::string problem;
  try {
    browser->answer_permissions(read_permission_policy(policy, read, problem) ? permission_answers(read)
                                                                                : permission_answers(),
                                app_name);
  } catch (...) {
    return 0;
  }
  return 1;
}

int32_t follow_web_view_title(int64_t number, web_view_title_listener listener, void* context) {
  webview::webview* browser = web_view_browser(number);
  return browser && browser->follow_title(listener, context) ? 1 : 0;
}

// Runs in the host's WM_NCDESTROY teardown.
void web_view_release(gadget_record* record) {
  delete browser_of(record);
  record->data0 = 0;
  record->data2 = 0;
  map_free((hash_map*)record->data1);
}
