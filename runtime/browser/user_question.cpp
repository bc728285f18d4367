#include "runtime/browser/user_question.h"

#include <commctrl.h>

#include <string>

#include "runtime/core/utf16.h"

bool ask_user(HWND owner, std::string_view title, std::string_view text, std::string_view first,
              std::string_view second) {
  std::wstring wide_title = wide_of(title), wide_text = wide_of(text), yes = wide_of(first), no = wide_of(second);
  const TASKDIALOG_BUTTON buttons[] = {{IDYES, yes.c_str()}, {IDNO, no.c_str()}};
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = owner;
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
  config.pszWindowTitle = wide_title.c_str();
  config.pszMainInstruction = wide_text.c_str();
  config.cButtons = 2;
  config.pButtons = buttons;
  config.nDefaultButton = IDNO;
  using task_dialog = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);
  auto show = (task_dialog)(void*)GetProcAddress(GetModuleHandleW(L"comctl32.dll"), "TaskDialogIndirect");
  int chosen = IDNO;
  if (show && SUCCEEDED(show(&config, &chosen, nullptr, nullptr))) return chosen == IDYES;
  std::wstring plain = wide_text + L"\n\n" + yes + L"?";
  return MessageBoxW(owner, plain.c_str(), wide_title.c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}
