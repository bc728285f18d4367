#include "launcher/page_api_host.h"

#include <deque>
#include <new>

#include "launcher/page_system.h"
#include "launcher-common/page_script.h"
#include "runtime/core/utf16.h"
#include "runtime/gadget/web_view.h"

struct page_api_host {
  page_api_host(int64_t number, HWND window, const page_host_settings& settings)
      : web_view(number), system(window, number, settings.updates, settings.close_to_tray), api(system, "") {}
  int64_t web_view;
  windows_page_system system;
  page_api api;
  // A message-only window of the thread: the requests' work is posted to it.
  HWND worker = nullptr;
  std::deque<std::string> requests;
  bool answering = false;
};

namespace {

constexpr wchar_t worker_class[] = L"TL_PageApi";
constexpr UINT request_waiting = WM_APP + 0x29;

// A dialog's own message loop dispatches the next request's notice too: it
// waits for the one being answered, in order.
void answer_requests(page_api_host& host) {
  if (host.answering) return;
  host.answering = true;
  while (!host.requests.empty()) {
    std::string request = std::move(host.requests.front());
    host.requests.pop_front();
    // A call settled later posts its reply then; the host outlives the
    // calls, whose ends come on this thread.
    auto later = [&host](std::string text) {
      try {
        post_web_view_message(host.web_view, wide_of(text).c_str());
      } catch (...) {
      }
    };
    std::optional<std::string> reply = host.api.answer(request, true, later);
    if (reply && !reply->empty()) post_web_view_message(host.web_view, wide_of(*reply).c_str());
  }
  host.answering = false;
}

LRESULT CALLBACK worker_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message != request_waiting) return DefWindowProcW(window, message, w, l);
  auto* host = (page_api_host*)GetWindowLongPtrW(window, GWLP_USERDATA);
  try {
    if (host) answer_requests(*host);
  } catch (...) {
    // Out of memory: the request goes unanswered, and nothing was touched.
    host->answering = false;
  }
  return 0;
}

// In the browser's callback: the request is only noted. A message from
// elsewhere than the app's own pages is not even kept.
void message_heard(void* context, const wchar_t* json, bool from_app_page) {
  auto& host = *(page_api_host*)context;
  if (!from_app_page) return;
  try {
    std::string text = utf8_of(json);
    // An announced window is noted before the browser asks for it, right
    // after; other requests wait their turn while a dialog is open, and
    // past a few dozen the page is told at once.
    bool announced = page_api::announces_window(text);
    if (announced || host.requests.size() >= page_api::most_waiting_calls) {
      std::optional<std::string> now =
          announced ? host.api.answer(text, true) : page_api::refusal(text, "too many calls at once");
      if (now) post_web_view_message(host.web_view, wide_of(*now).c_str());
      return;
    }
    host.requests.push_back(std::move(text));
  } catch (...) {
    return;
  }
  PostMessageW(host.worker, request_waiting, 0, 0);
}

// The addresses that start the app's pages, as the browser writes them.
std::string own_prefix(const page_host_settings& settings) {
  if (!settings.virtual_host.empty()) return "https://" + utf8_of(settings.virtual_host.c_str()) + "/";
  std::string folder = utf8_of(settings.folder.c_str());
  for (char& c : folder)
    if (c == '\\') c = '/';
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return "file:///" + folder;
}

}  // namespace

page_api_host* serve_page_api(int64_t web_view, HWND window, const page_host_settings& settings) {
  auto* host = new (std::nothrow) page_api_host(web_view, window, settings);
  if (!host) return nullptr;
  try {
    WNDCLASSW type{};
    type.lpfnWndProc = worker_procedure;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = worker_class;
    RegisterClassW(&type);
    host->worker = CreateWindowExW(0, worker_class, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance, nullptr);
    if (!host->worker) throw std::bad_alloc();
    SetWindowLongPtrW(host->worker, GWLP_USERDATA, (LONG_PTR)host);
    page_script_settings script{page_channel::webview2, "", {own_prefix(settings)}, true,
                                settings.app_name, settings.app_version,
                                "windows"};
    if (serve_web_view_page_api(web_view, wide_of(page_api_script(script)).c_str(), message_heard, host)) return host;
  } catch (...) {
  }
  stop_page_api(host);
  return nullptr;
}

void stop_page_api(page_api_host* host) {
  if (!host) return;
  serve_web_view_page_api(host->web_view, nullptr, nullptr, nullptr);
  if (host->worker) DestroyWindow(host->worker);
  delete host;
}
