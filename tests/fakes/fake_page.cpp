// The page's side of a scenario: what a page would do once it is shown
// (open a window, follow a link, post a message, load a resource), played
// from the file WAPP_FAKE_WEBVIEW2_PAGE names, so that an end-to-end test can
// make the launcher meet the events a real page raises.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "fake_objects.h"
#include "fake_webview2.h"

namespace {

struct page_action_kind {
  const char* name;
  void (*run)(fake_web_view& view, const std::string& arguments);
};

// Each kind of action the fake can play; "wait" is the player's own.
const page_action_kind page_action_kinds[] = {
    {"close", [](fake_web_view& view, const std::string&) { view.request_window_close(); }},
    {"fetch", [](fake_web_view& view, const std::string& address) { view.fetch(wide_of(address)); }},
    {"permission",
     [](fake_web_view& view, const std::string& arguments) {
       size_t space = arguments.find(' ');
       int kind = space == std::string::npos ? 0 : atoi(arguments.c_str() + space + 1);
       view.request_permission(wide_of(arguments.substr(0, space)), (COREWEBVIEW2_PERMISSION_KIND)kind);
     }},
    {"process_failed",
     [](fake_web_view& view, const std::string& kind) {
       const char* kinds[] = {"browser", "render", "unresponsive"};
       for (int i = 0; i < 3; i++)
         if (kind == kinds[i]) view.fail_process((COREWEBVIEW2_PROCESS_FAILED_KIND)i);
     }},
    {"title", [](fake_web_view& view, const std::string& title) { view.change_title(wide_of(title)); }},
    {"new_window", [](fake_web_view& view, const std::string& uri) { view.request_new_window(wide_of(uri)); }},
    {"navigate",
     [](fake_web_view& view, const std::string& arguments) {
       size_t space = arguments.find(' ');
       bool redirect = space != std::string::npos && arguments.substr(space + 1) == "redirect";
       view.request_navigation(wide_of(arguments.substr(0, space)), redirect);
     }},
    {"message",
     [](fake_web_view& view, const std::string& arguments) {
       size_t space = arguments.find(' ');
       std::string json = space == std::string::npos ? "" : arguments.substr(space + 1);
       view.post_page_message(wide_of(arguments.substr(0, space)), wide_of(json));
     }},
};

struct page_script {
  std::vector<std::string> lines;
  size_t next = 0;
};

void play_next(fake_web_view* view, std::shared_ptr<page_script> script) {
  while (script->next < script->lines.size() && !view->is_closed()) {
    const std::string& line = script->lines[script->next++];
    size_t space = line.find(' ');
    std::string name = line.substr(0, space), arguments = space == std::string::npos ? "" : line.substr(space + 1);
    if (name.empty() || name[0] == '#') continue;
    record("page_action", line);
    if (name == "wait") {
      view->AddRef();
      post_work(
          [view, script] {
            play_next(view, script);
            view->Release();
          },
          (UINT)std::max(1, atoi(arguments.c_str())));
      return;
    }
    const page_action_kind* kind = nullptr;
    for (const page_action_kind& known : page_action_kinds)
      if (name == known.name) kind = &known;
    if (!kind) {
      record("page_action_unknown", line);
      continue;
    }
    kind->run(*view, arguments);
  }
}

}  // namespace

void play_page_actions(fake_web_view* view) {
  wchar_t path[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(fake_page_variable, path, MAX_PATH);
  if (!length || length >= MAX_PATH) return;
  std::ifstream in(path, std::ios::binary);
  if (!in) return;
  auto script = std::make_shared<page_script>();
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    script->lines.push_back(line);
  }
  // The page acts once its document is there: after the navigation's own work.
  view->AddRef();
  post_work([view, script] {
    play_next(view, script);
    view->Release();
  });
}
