// Start and stop of the event library, and the wait for the next event.
#include "runtime/core/containers.h"
#include "runtime/core/registry.h"
#include "runtime/core/runtime_globals.h"
#include "runtime/window/event_state.h"

namespace {
constexpr wchar_t poster_class[] = L"PostEventClass";

// Pool of queue entries: small blocks, the pool's own, no lock.
constexpr int32_t entry_block_minimum = 16;
constexpr int32_t entry_block_maximum = 256;
constexpr uint32_t entry_pool_flags = 2;
constexpr int32_t binding_buckets = 1024;
// The value every map of the runtime is created with.
constexpr int32_t map_creation_value = 7;

// What the library works with when memory ran out at start-up: without a
// state and a queue of the main thread every event would be dropped, the
// close event too, and no window of the program could ever be closed.
event_library_record state_without_heap;
event_queue queue_without_heap;

// Takes one message off the thread's queue: waits without limit for -1,
// not at all for 0, else up to the given time. False when none came.
bool retrieve_message(MSG& msg, int32_t milliseconds) {
  if (milliseconds == -1) {
    // GetMessageW's result is not examined: WM_QUIT is returned like any message.
    GetMessageW(&msg, nullptr, 0, 0);
    return true;
  }
  if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) return true;
  if (milliseconds == 0) return false;
  if (MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT | QS_ALLPOSTMESSAGE) == WAIT_TIMEOUT)
    return false;
  return PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD);
}
}  // namespace

void event_library_start() {
  WNDCLASSW cls{};
  cls.style = CS_DBLCLKS;
  cls.lpfnWndProc = DefWindowProcW;
  cls.hInstance = runtime.instance;
  cls.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
  cls.lpszClassName = poster_class;
  RegisterClassW(&cls);

  event_state = (event_library_record*)new_library_state(sizeof(event_library_record), nullptr);
  if (!event_state) {
    state_without_heap = {};
    event_state = &state_without_heap;
  }
  event_state->poster = CreateWindowExW(0, poster_class, nullptr, WS_CAPTION, 0, 0, 1, 1, nullptr, nullptr,
                                        runtime.instance, nullptr);
  event_state->unlock_message = RegisterWindowMessageW(L"TL_UnlockQueueEventMessage");
  event_state->main_thread = GetCurrentThreadId();
  auto* queue = (event_queue*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, sizeof(event_queue));
  if (!queue) {
    queue_without_heap = {};
    queue = &queue_without_heap;
  }
  queue->pool = new_event_pool();
  queue->current.type = -1;
  event_state->main_queue = queue;
  map_create(sizeof(void*), map_creation_value, nullptr, &event_state->bindings, binding_buckets);
}

block_pool* new_event_pool() {
  return pool_create(sizeof(event_entry), entry_block_minimum, entry_block_maximum, entry_pool_flags);
}

void event_library_stop() {
  if (event_state && event_state->poster) DestroyWindow(event_state->poster);
  if (event_state) event_state->poster = nullptr;
  UnregisterClassW(poster_class, runtime.instance);
  free_event_bindings();
}

int64_t wait_window_event() { return wait_window_event_timeout(-1); }

int64_t wait_window_event_timeout(int32_t milliseconds) {
  if (int32_t code = pop_event()) return code;

  MSG msg;
  if (!retrieve_message(msg, milliseconds)) return 0;
  HWND active = GetActiveWindow();
  HACCEL table = active_accelerators(active);
  if (table && TranslateAcceleratorW(active, table, &msg)) {
    if (active) show_keyboard_cues(active, true);
  } else {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return msg.message;
}
