#pragma once
// The web view gadget: a host window of class "TiloWebView" in the current
// gadget list with a WebView2 browser embedded by the browser layer.
#include <cstdint>

#include "runtime/gadget/gadget.h"

class zip_index;

// 0 on failure, leaving a gadget already under the number untouched;
// otherwise the new identifier for any_number, else the host window handle.
// Positions and sizes are logical units.
int64_t create_web_view_gadget(int64_t number, int32_t x, int32_t y, int32_t width, int32_t height);
// Bit 0 of flags turns on the browser's developer tools.
int64_t create_web_view_gadget_with_flags(int64_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                                          int64_t flags);

// Asks for the browser environment (the browser process) ahead of the first
// web view, which is slow to start: the program does other work while it
// comes up, and every web view created until the release is made on it
// rather than on an environment of its own. The browser arguments are set
// before. 1 when it was asked for (or was already), 0 when memory is short.
// A missing runtime counts as prepared: the web views then fail as without.
int32_t prepare_web_view_environment();
// Lets the prepared environment go; web views made on it keep it while they
// live. Nothing without one. The gadget library's stop step does it too.
void release_web_view_environment();

// 1 when the last creation of a web view failed because no WebView2 runtime
// is installed (its other failures answer 0), so that the program can say
// what the user is missing.
int32_t web_view_runtime_missing();

// Has web view number's browser answer https://<host>/ from the archive's
// index, which must outlive the gadget, until the gadget goes. 1 when the
// browser took it; 0 when number is no web view, it serves already, or the
// runtime refuses.
int32_t serve_web_view_archive(int64_t number, const wchar_t* host, const zip_index& index);
// A dev run's: answers https://HOST/ from the dev server at dev_url (UTF-8),
// or without one from folder as it is on disk, reloading on its changes
// (runtime/browser/dev_server.h). 1 when it serves, else 0.
int32_t serve_web_view_dev(int64_t number, const wchar_t* host, const char* dev_url, const wchar_t* folder);

// Keeps web view number's window on the app (runtime/browser/app_addresses.h)
// from now on: the app is the folder it was unpacked into (a Windows path),
// or the host that folder is served under, or, with neither, the site its
// start address names; null for what does not apply. 1 when done; 0 when
// number is no web view or memory is short.
int32_t keep_web_view_within_app(int64_t number, const wchar_t* folder, const wchar_t* virtual_host,
                                 const wchar_t* start_address);

// Gives the pages of web view number the page API's script, from its next
// document on, and its JSON messages to listener (runtime/browser/webview.h),
// each with whether it came from the app's own page as keep_web_view_within_app
// set it. 1 when done; 0 when number is no web view or its browser refused.
using web_view_message_listener = void (*)(void* context, const wchar_t* json, bool from_app_page);
int32_t serve_web_view_page_api(int64_t number, const wchar_t* script, web_view_message_listener listener,
                                void* context);
// Posts a JSON message to the page of web view number; 1 when it went.
int32_t post_web_view_message(int64_t number, const wchar_t* json);
// The app's own page is about to open a window for the address
// (launcher-common/window_openings.h).
int32_t announce_web_view_window(int64_t number, const wchar_t* address);

// Has web view number answer its pages' permission requests by the policy
// (launcher-common/permission_policy.h, as the Permissions setting writes
// it: a text that is no policy denies everything) for the app that
// keep_web_view_within_app set, asking the user in app_name's name. 1 when done.
int32_t answer_web_view_permissions(int64_t number, const char* policy, const char* app_name);
// Tells listener the title of web view number's document each time it
// changes: the page's own, or "" while it has none. 1 when done.
using web_view_title_listener = void (*)(void* context, const wchar_t* title);
int32_t follow_web_view_title(int64_t number, web_view_title_listener listener, void* context);

constexpr int32_t web_view_kind_code = 35;
// What web_view_native_object answers the browser controller for.
constexpr int64_t web_view_native_controller = 10;
constexpr wchar_t browser_arguments_variable[] = L"WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS";

extern gadget_kind web_view_kind;

void web_view_release(gadget_record* record);
void web_view_set_text(gadget_record* record, const wchar_t* text);
void web_view_resize(gadget_record* record, int32_t x, int32_t y, int32_t width, int32_t height);
void web_view_set_item_text(gadget_record* record, int64_t item, const wchar_t* text);
void* web_view_native_object(gadget_record* record, int64_t which);
void web_view_set_focus(gadget_record* record);
