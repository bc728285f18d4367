#pragma once
// What the window shows instead of the web app when no WebView2 runtime is
// installed: a short text saying so, centred in the system's message font,
// and a button that opens Microsoft's download page in the user's default
// browser. The launcher itself downloads and installs nothing.
#include <windows.h>

#include <cstdint>

inline constexpr wchar_t runtime_notice_text[] =
    L"This app needs the Microsoft Edge WebView2 Runtime, which is not installed on this computer. "
    L"Microsoft offers it for free.";
inline constexpr wchar_t runtime_notice_button_text[] = L"Get the WebView2 Runtime";
// Microsoft's Evergreen bootstrapper, which installs the runtime for the
// current user without elevation.
inline constexpr wchar_t webview2_download_link[] = L"https://go.microsoft.com/fwlink/p/?LinkId=2124703";

// Control identifiers of the text and the button in the window. A click on
// the button reaches the event loop as a gadget event of the button's
// identifier.
constexpr int32_t runtime_notice_text_id = 0x5701;
constexpr int32_t runtime_notice_button_id = 0x5702;

// Puts the text and the button into window, laid out for its inner area.
void show_runtime_notice(HWND window);
// Centres them again after a size change; nothing without a notice.
void lay_out_runtime_notice(HWND window);
// Opens the download page in the default browser.
void open_runtime_download_page(HWND window);
