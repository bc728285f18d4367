// Test helper: a launcher in small. Starts the runtime, opens window 0,
// creates web view gadget 1 and navigates it to the address given; with
// "again" it then changes the browser-arguments variable and creates gadget 1
// a second time. It stops the runtime with the gadget still open, as the
// launcher does, and adds the line "ole_stopped -" to the fake's log when the
// stop list has uninitialised OLE. With "late <ms>" it waits only that long
// for the browser, and after the stop goes on dispatching the thread's
// messages for two seconds, as a program that ends its run mid-creation and
// lives on would, then adds "late_wait_over -". Exit code 0 when every
// creation succeeded, else 1.
#include <windows.h>

#include <cwchar>

#include "fakes/fake_webview2.h"
#include "runtime/browser/webview.h"
#include "runtime/gadget/web_view.h"
#include "runtime/startup/runtime.h"
#include "runtime/window/windows.h"

int wmain(int argc, wchar_t** argv) {
  bool late = argc > 3 && !wcscmp(argv[2], L"late");
  if (late) webview::creation_timeout_ms = (DWORD)_wtoi(argv[3]);
  runtime_start();
  open_window(0, 0, 0, 640, 480, L"web view probe", 0xC80000);
  bool created = create_web_view_gadget(1, 0, 0, 640, 480) != 0;
  set_gadget_text(1, argc > 1 ? argv[1] : L"");
  if (argc > 2 && !wcscmp(argv[2], L"again")) {
    SetEnvironmentVariableW(browser_arguments_variable, L"changed");
    created = create_web_view_gadget(1, 0, 0, 640, 480) != 0 && created;
  }
  // The stop list, step by step, to mark when OLE goes.
  for (runtime_step step : runtime_stop_steps) {
    step();
    if (step == ole_stop) append_fake_log_line("ole_stopped", "-");
  }
  for (DWORD start = GetTickCount(); late && GetTickCount() - start < 2000; Sleep(10)) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  if (late) append_fake_log_line("late_wait_over", "-");
  return created ? 0 : 1;
}
