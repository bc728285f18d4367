#pragma once
// Finding a WebView2 runtime: first the installed Evergreen runtime that the
// registry names, then WebView2Loader.dll by the normal DLL search (beside
// the executable first).
#include <windows.h>

#include "runtime/browser/webview2.h"

struct webview2_runtime {
  HMODULE module;  // null when no runtime was found
  // Exactly one entry is set while module is.
  create_environment_internal_entry create_internal;  // an installed runtime's own DLL
  create_environment_entry create_with_loader;        // WebView2Loader.dll
};

// The oldest runtime version accepted, field by field.
inline constexpr unsigned minimum_runtime_version[4] = {86, 0, 616, 0};

webview2_runtime find_webview2_runtime();
// Frees the module once nothing of it can run any more: an installed runtime
// only when its DllCanUnloadNow answers S_OK. The runtime is emptied.
void unload_webview2_runtime(webview2_runtime& runtime);

// Whether the last component of an install folder ("...\120.0.2210.91") is a
// version of four numeric fields not older than the minimum.
bool is_usable_runtime_version(const wchar_t* folder);
