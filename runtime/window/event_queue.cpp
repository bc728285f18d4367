// The event queue: entries come from the queue's own block pool, are
// appended by post_event_ex and taken oldest first by pop_event.
#include "runtime/core/containers.h"
#include "runtime/window/event_state.h"

event_library_record* event_state;

namespace {
// Threads other than the main one share this record. It has no pool, so
// anything they post without event_to_main_thread is dropped.
event_queue other_threads_queue = {nullptr, nullptr, nullptr, 0, {0, 0, 0, -1, 0, nullptr}};

bool matches(int64_t wanted, int64_t value) { return wanted == -1 || wanted == value; }

// Unlinks every entry the predicate accepts and returns its slot to the pool.
template <typename Predicate>
void remove_entries(event_queue* q, Predicate accept) {
  event_entry* previous = nullptr;
  event_entry* entry = q->head;
  while (entry) {
    event_entry* next = entry->next;
    if (accept(entry)) {
      if (previous) previous->next = next;
      else q->head = next;
      pool_free(entry);
    } else {
      previous = entry;
    }
    entry = next;
  }
  q->tail = previous;
}
}  // namespace

// Before the library's start the main thread falls back to the shared
// record too, so that no caller ever gets none.
event_queue* current_event_queue() {
  if (event_state && event_state->main_queue && GetCurrentThreadId() == event_state->main_thread)
    return event_state->main_queue;
  return &other_threads_queue;
}

const current_event_record& current_event() { return current_event_queue()->current; }

void post_event(int32_t code, int64_t object, int64_t window, int64_t type) {
  post_event_ex(code, object, window, type, 0, nullptr, 0);
}

void post_event_ex(int32_t code, int64_t object, int64_t window, int64_t type, int64_t data,
                   event_data_release release, uint32_t flags) {
  event_queue* q = current_event_queue();
  if ((flags & event_to_main_thread) && event_state) q = event_state->main_queue;
  if (!q || (q->suspension > 0 && !(flags & event_while_suspended))) return;

  event_entry* tail = q->tail;
  // Codes from 0x10000 up are the program's own and are always kept apart.
  bool merge = tail && code < 0x10000 && !(flags & (event_bind_on_pop | event_to_main_thread)) &&
               tail->code == code && tail->object == object && tail->window == window && tail->type == type;
  // A main queue whose pool could not be had at start-up tries again.
  if (!merge && !q->pool && event_state && q == event_state->main_queue) q->pool = new_event_pool();
  if (!merge && q->pool) {
    auto* entry = (event_entry*)pool_alloc(q->pool);
    if (entry) {
      *entry = {nullptr, code, flags, object, window, type, data, release};
      if (tail) tail->next = entry;
      else q->head = entry;
      q->tail = entry;
    }
  }
  if (flags & event_bind_on_pop) return;

  // Bindings see the posted event as the current one, whatever was taken last.
  current_event_record saved = q->current;
  q->current = {code, window, object, type, data, release};
  dispatch_bindings(code, window, object, type);
  q->current = saved;
}

int32_t pop_event() {
  event_queue* q = current_event_queue();
  current_event_record& current = q->current;
  current.code = 0;
  if (current.data && current.release) current.release(current.data);
  current.data = 0;
  current.release = nullptr;
  current.type = -1;

  event_entry* entry = q->head;
  if (!entry) return 0;
  current = {entry->code, entry->window, entry->object, entry->type, entry->data, entry->release};
  q->head = entry->next;
  if (!q->head) q->tail = nullptr;
  bool bind_now = entry->flags & event_bind_on_pop;
  pool_free(entry);
  if (bind_now) dispatch_bindings(current.code, current.window, current.object, current.type);
  return current.code;
}

void remove_events(int32_t code, int64_t object, int64_t window, int64_t type) {
  remove_entries(current_event_queue(), [&](const event_entry* e) {
    return matches(code, e->code) && matches(object, e->object) && matches(window, e->window) &&
           matches(type, e->type);
  });
}

void remove_window_events(int64_t window) {
  remove_entries(current_event_queue(), [&](const event_entry* e) { return e->window == window; });
}

void suspend_events() { current_event_queue()->suspension++; }

void resume_events() { current_event_queue()->suspension--; }
