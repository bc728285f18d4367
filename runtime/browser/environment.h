#pragma once
// The browser environment: the WebView2 runtime found for the process and
// the browser process it starts. It is asked for when it is made and
// completes later, through the messages of the thread that asked; a browser
// process takes from a fraction of a second to seconds to start, so a
// program may ask for it early and do other work meanwhile. Browsers
// (webview) are made on a ready environment; each holds it while it lives.
#include <windows.h>

#include "runtime/browser/runtime_discovery.h"
#include "runtime/browser/webview2.h"

namespace webview {

// The environment is asked twice when we load the runtime ourselves;
// WebView2Loader.dll retries once on its own.
constexpr int environment_attempts = 2;

class creation_handler;

// The program's own data folder: the roaming application-data folder joined
// with the app's name for its data, by default the executable's file name,
// so that each program keeps its data apart. The browser keeps its user
// data there; the program may keep files of its own beside it. False when it
// cannot be made whole; the runtime then picks its own default for the browser.
bool app_data_folder(wchar_t (&folder)[2 * MAX_PATH]);
// Names the folder by the app's id instead (null: the file name again), for
// every browser made from now on. The name must be one a folder can have.
void name_app_data_folder(const wchar_t* name);

class environment {
 public:
  // Finds the runtime and, when there is one, asks it for the environment.
  // Returns at once. The one reference is the caller's.
  environment();
  environment(const environment&) = delete;
  environment& operator=(const environment&) = delete;

  void retain() { references_++; }
  // The last release deletes the environment, and with it the runtime's
  // module unless the runtime may still call back into it.
  void release();

  // No runtime was found: nothing was asked, nothing will come.
  bool runtime_found() const { return runtime_.module != nullptr; }
  // Asked and not answered yet; messages of the thread must be dispatched
  // for the answer to come.
  bool pending() const { return pending_; }
  // The environment once it is ready; null while pending and after a failure.
  ICoreWebView2Environment* ready() const { return environment_; }
  // Something made on the environment was given up while the runtime may
  // still answer it: the module stays loaded for the rest of the process.
  void keep_runtime_loaded() { keep_runtime_loaded_ = true; }

 private:
  friend class creation_handler;
  ~environment();
  void create();
  void created(HRESULT error, ICoreWebView2Environment* environment);

  int references_ = 1;
  webview2_runtime runtime_{};
  creation_handler* handler_ = nullptr;
  bool pending_ = false;
  bool keep_runtime_loaded_ = false;
  int attempts_left_ = 0;
  ICoreWebView2Environment* environment_ = nullptr;
};

}  // namespace webview
