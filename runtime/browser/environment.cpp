// Finding the runtime, asking it for the environment with the program's user
// data folder, and letting both go.
#include "runtime/browser/environment.h"

#include <shlobj.h>

#include <cwchar>
#include <new>

#include "runtime/browser/creation_handler.h"

namespace webview {

namespace {

wchar_t data_folder_name[MAX_PATH];

}  // namespace

void name_app_data_folder(const wchar_t* name) {
  data_folder_name[0] = 0;
  if (name && wcslen(name) < MAX_PATH) wcscpy(data_folder_name, name);
}

bool app_data_folder(wchar_t (&folder)[2 * MAX_PATH]) {
  wchar_t module[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
  if (!length || length >= MAX_PATH) return false;
  const wchar_t* name = module;
  for (const wchar_t* p = module; *p; p++) {
    if (*p == L'\\' || *p == L'/') name = p + 1;
  }
  if (data_folder_name[0]) name = data_folder_name;
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return false;
  size_t room = 2 * MAX_PATH - wcslen(folder);
  // Some C runtimes answer the full length of a cut text rather than -1.
  int written = swprintf(folder + wcslen(folder), room, L"\\%ls", name);
  return written > 0 && (size_t)written < room;
}

environment::environment() {
  runtime_ = find_webview2_runtime();
  if (!runtime_.module) return;
  handler_ = new (std::nothrow) creation_handler(this);
  if (!handler_) return;
  attempts_left_ = runtime_.create_internal ? environment_attempts : 1;
  pending_ = true;
  create();
}

// The runtime may still answer a creation that is pending, or something made
// on the environment that was given up: then its module stays.
environment::~environment() {
  if (handler_) {
    handler_->detach();
    handler_->Release();
  }
  if (environment_) environment_->Release();
  if (!pending_ && !keep_runtime_loaded_) unload_webview2_runtime(runtime_);
}

void environment::release() {
  if (--references_ == 0) delete this;
}

void environment::create() {
  attempts_left_--;
  wchar_t folder[2 * MAX_PATH];
  const wchar_t* data = app_data_folder(folder) ? folder : nullptr;
  HRESULT result = runtime_.create_internal
                       ? runtime_.create_internal(TRUE, webview2_runtime_installed, data, nullptr, handler_)
                       : runtime_.create_with_loader(nullptr, data, nullptr, handler_);
  if (FAILED(result)) created(result, nullptr);
}

void environment::created(HRESULT error, ICoreWebView2Environment* environment) {
  if (!pending_) return;
  if (FAILED(error) || !environment) {
    if (attempts_left_ > 0) {
      create();
    } else {
      pending_ = false;
    }
    return;
  }
  environment->AddRef();
  environment_ = environment;
  pending_ = false;
}

}  // namespace webview
