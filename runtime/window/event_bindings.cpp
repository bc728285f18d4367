// The event binding table: chains of callbacks filed under the text key
// "code:window:object", consulted for every event.
#include <cwchar>

#include "runtime/core/containers.h"
#include "runtime/core/runtime_globals.h"
#include "runtime/window/event_state.h"

namespace {
struct event_binding {
  event_binding* next;
  event_callback callback;
  int64_t type_filter;  // -1: any type
};

// The element the table keeps for each key.
struct binding_chain {
  event_binding* first;
};

// The longest key, three 64-bit numbers with signs and two colons, fits easily.
constexpr int key_length = 64;

void format_key(wchar_t (&key)[key_length], int32_t code, int64_t window, int64_t object) {
  swprintf(key, key_length, L"%d:%lld:%lld", code, (long long)window, (long long)object);
}

void free_chain(binding_chain* chain) {
  for (event_binding* b = chain->first; b;) {
    event_binding* next = b->next;
    HeapFree(runtime.heap, 0, b);
    b = next;
  }
}

// Frees the chain of the map's current entry and removes the entry.
void delete_current_chain(binding_chain* chain) {
  free_chain(chain);
  map_delete_current(event_state->bindings);
}

// True when the key's window part (between its first and second colon) is `window`.
bool key_has_window(const wchar_t* key, const wchar_t* window_part) {
  const wchar_t* colon = wcschr(key, L':');
  return colon && wcsncmp(colon, window_part, wcslen(window_part)) == 0;
}
}  // namespace

bool bind_event(int32_t code, int64_t window, int64_t object, int64_t type_filter, event_callback callback) {
  if (!event_state || !event_state->bindings || !callback) return false;
  wchar_t key[key_length];
  format_key(key, code, window, object);
  auto* binding = (event_binding*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, sizeof(event_binding));
  if (!binding) return false;
  auto* chain = (binding_chain*)map_find(event_state->bindings, key);
  if (!chain) chain = (binding_chain*)map_insert(event_state->bindings, key, 0);
  if (!chain) {
    HeapFree(runtime.heap, 0, binding);
    return false;
  }
  *binding = {nullptr, callback, type_filter};
  event_binding** link = &chain->first;
  while (*link) link = &(*link)->next;
  *link = binding;
  return true;
}

void dispatch_bindings(int32_t code, int64_t window, int64_t object, int64_t type) {
  run_bindings(code, window, object, type);
  run_bindings(code, window, -1, -1);
  run_bindings(code, -1, -1, -1);
  run_bindings(code, -1, object, type);
}

void run_bindings(int32_t code, int64_t window, int64_t object, int64_t type_filter) {
  if (!event_state || !event_state->bindings) return;
  wchar_t key[key_length];
  format_key(key, code, window, object);
  auto* chain = (binding_chain*)map_find(event_state->bindings, key);
  if (!chain) return;

  // A callback may close a window or remove bindings, which frees chain
  // links; so the callbacks to run are copied out before any of them runs.
  int count = 0;
  for (event_binding* b = chain->first; b; b = b->next) count += b->type_filter == type_filter || b->type_filter == -1;
  if (!count) return;
  auto* due = (event_callback*)HeapAlloc(runtime.heap, 0, count * sizeof(event_callback));
  if (!due) return;
  int n = 0;
  for (event_binding* b = chain->first; b; b = b->next)
    if (b->type_filter == type_filter || b->type_filter == -1) due[n++] = b->callback;
  for (int i = 0; i < n; i++) due[i]();
  HeapFree(runtime.heap, 0, due);
}

void remove_bindings(int32_t code, int64_t window, int64_t object) {
  if (!event_state || !event_state->bindings) return;
  wchar_t key[key_length];
  format_key(key, code, window, object);
  auto* chain = (binding_chain*)map_find(event_state->bindings, key);
  if (chain) delete_current_chain(chain);
}

void remove_window_bindings(int64_t window) {
  if (!event_state || !event_state->bindings) return;
  wchar_t window_part[key_length];
  swprintf(window_part, key_length, L":%lld:", (long long)window);
  // Removing an entry disturbs the walk, so each removal starts a new one;
  // a window rarely has more than a few bindings.
  for (;;) {
    wchar_t key[key_length] = L"";
    map_reset(event_state->bindings);
    while (void* element = map_next(event_state->bindings)) {
      if (key_has_window(map_key_of(element), window_part)) {
        wcsncpy(key, map_key_of(element), key_length - 1);
        break;
      }
    }
    if (!key[0]) return;
    auto* chain = (binding_chain*)map_find(event_state->bindings, key);
    if (!chain) return;
    delete_current_chain(chain);
  }
}

void free_event_bindings() {
  if (!event_state || !event_state->bindings) return;
  map_reset(event_state->bindings);
  while (void* element = map_next(event_state->bindings)) free_chain((binding_chain*)element);
  map_free(event_state->bindings);
  event_state->bindings = nullptr;
}
