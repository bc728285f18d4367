#pragma once
// A question to the user with two answers, over the app's window: a task
// dialog where the common controls of version 6 are loaded (the launcher's
// manifest asks for them), else a plain message box. True for the first
// answer; the second is the default, and what closing the dialog answers.
#include <windows.h>

#include <string_view>

bool ask_user(HWND owner, std::string_view title, std::string_view text, std::string_view first,
              std::string_view second);
