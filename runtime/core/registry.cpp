#include "runtime/core/registry.h"

#include <windows.h>

#include "runtime/core/runtime_globals.h"

namespace {

void* heap_alloc(int64_t bytes) { return HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, (SIZE_T)bytes); }

void* record_of(dynamic_node* node) { return node + 1; }
dynamic_node* node_of(int64_t identifier) { return (dynamic_node*)(uintptr_t)identifier - 1; }

// ---- live identifier set --------------------------------------------------
// Linear probing over a power-of-two table; removal shifts later entries back
// so that no tombstones are needed.

uint64_t probe_start(uintptr_t id, int64_t capacity) {
  uint64_t h = (uint64_t)id * 0x9E3779B97F4A7C15ull;
  return (h >> 17) & (uint64_t)(capacity - 1);
}

int64_t find_live(const registry* r, uintptr_t id) {
  if (r->live_capacity == 0) return -1;
  for (uint64_t i = probe_start(id, r->live_capacity);; i = (i + 1) & (r->live_capacity - 1)) {
    if (r->live_ids[i] == id) return (int64_t)i;
    if (r->live_ids[i] == 0) return -1;
  }
}

bool insert_live(registry* r, uintptr_t id) {
  if ((r->live_count + 1) * 2 > r->live_capacity) {
    int64_t capacity = r->live_capacity ? r->live_capacity * 2 : 16;
    auto* table = (uintptr_t*)heap_alloc(capacity * (int64_t)sizeof(uintptr_t));
    if (!table) return false;
    uintptr_t* old = r->live_ids;
    int64_t old_capacity = r->live_capacity;
    r->live_ids = table;
    r->live_capacity = capacity;
    for (int64_t i = 0; i < old_capacity; i++) {
      if (!old[i]) continue;
      uint64_t j = probe_start(old[i], capacity);
      while (table[j]) j = (j + 1) & (capacity - 1);
      table[j] = old[i];
    }
    if (old) HeapFree(runtime.heap, 0, old);
  }
  uint64_t i = probe_start(id, r->live_capacity);
  while (r->live_ids[i]) i = (i + 1) & (r->live_capacity - 1);
  r->live_ids[i] = id;
  r->live_count++;
  return true;
}

void remove_live(registry* r, int64_t at) {
  uint64_t mask = (uint64_t)r->live_capacity - 1;
  uint64_t hole = (uint64_t)at;
  r->live_ids[hole] = 0;
  r->live_count--;
  for (uint64_t i = (hole + 1) & mask; r->live_ids[i]; i = (i + 1) & mask) {
    uint64_t home = probe_start(r->live_ids[i], r->live_capacity);
    // Move the entry into the hole unless its home lies cyclically in (hole, i].
    bool stays = hole <= i ? (hole < home && home <= i) : (hole < home || home <= i);
    if (stays) continue;
    r->live_ids[hole] = r->live_ids[i];
    r->live_ids[i] = 0;
    hole = i;
  }
}

bool is_slot_number(const registry* r, int64_t v) { return v >= 0 && v < r->slot_count; }

}  // namespace

registry* create_registry(int32_t record_size, int32_t growth_step, release_callback release) {
  auto* r = (registry*)heap_alloc(sizeof(registry));
  if (!r) return nullptr;
  r->slots = (void**)heap_alloc((int64_t)growth_step * (int64_t)sizeof(void*));
  if (!r->slots) {
    HeapFree(runtime.heap, 0, r);
    return nullptr;
  }
  r->record_size = record_size;
  r->growth_step = growth_step;
  r->slot_count = growth_step;
  r->release = release;
  return r;
}

void* obtain_slot(registry* r, int64_t v) {
  if (!r) return nullptr;
  if (v == any_number) {
    auto* node = (dynamic_node*)heap_alloc((int64_t)sizeof(dynamic_node) + r->record_size);
    if (!node) return nullptr;
    if (!insert_live(r, (uintptr_t)record_of(node))) {
      HeapFree(runtime.heap, 0, node);
      return nullptr;
    }
    node->next = r->dynamic_list;
    if (r->dynamic_list) r->dynamic_list->previous = node;
    r->dynamic_list = node;
    return record_of(node);
  }
  if (v < 0 || v > largest_object_number) return nullptr;
  if (v >= r->slot_count) {
    int64_t count = v + r->growth_step;
    auto* slots = (void**)HeapReAlloc(runtime.heap, HEAP_ZERO_MEMORY, r->slots, (SIZE_T)(count * (int64_t)sizeof(void*)));
    if (!slots) return nullptr;
    r->slots = slots;
    r->slot_count = count;
  }
  if (r->slots[v]) {
    // Whatever object holds the number goes first; its callback clears the record.
    if (*(uint64_t*)r->slots[v] && r->release) r->release(v);
    ZeroMemory(r->slots[v], (SIZE_T)r->record_size);
    return r->slots[v];
  }
  r->slots[v] = heap_alloc(r->record_size);
  return r->slots[v];
}

void* find_object(registry* r, int64_t v) {
  if (!r) return nullptr;
  void* record = nullptr;
  if (is_slot_number(r, v)) {
    record = r->slots[v];
  } else if (find_live(r, (uintptr_t)v) >= 0) {
    record = (void*)(uintptr_t)v;
  }
  if (!record || *(uint64_t*)record == 0) return nullptr;
  return record;
}

void release_slot(registry* r, int64_t v) {
  if (!r) return;
  if (is_slot_number(r, v)) {
    if (r->slots[v]) ZeroMemory(r->slots[v], (SIZE_T)r->record_size);
    return;
  }
  int64_t at = find_live(r, (uintptr_t)v);
  if (at < 0) return;  // never handed out, or already released
  remove_live(r, at);
  dynamic_node* node = node_of(v);
  if (node == r->dynamic_list) {
    r->dynamic_list = node->next;
    if (node->next) node->next->previous = nullptr;
  } else {
    if (node->previous) node->previous->next = node->next;
    if (node->next) node->next->previous = node->previous;
  }
  HeapFree(runtime.heap, 0, node);
}

void release_all(registry* r) {
  if (!r || !r->release) return;
  for (r->walk_cursor = 0; r->walk_cursor < r->slot_count; r->walk_cursor++) {
    void* record = r->slots[r->walk_cursor];
    if (record && *(uint64_t*)record) r->release(r->walk_cursor);
  }
  while (r->dynamic_list) {
    dynamic_node* head = r->dynamic_list;
    r->release(identifier_of(record_of(head)));
    // A callback that leaves its record linked would be called for it forever.
    if (r->dynamic_list == head) release_slot(r, identifier_of(record_of(head)));
  }
}

void release_object(registry* r, int64_t number, void (*free_platform_object)(void* record)) {
  if (!r) return;
  if (number == any_number) {
    release_all(r);
    return;
  }
  void* record = find_object(r, number);
  if (!record) return;
  free_platform_object(record);
  release_slot(r, number);
}

void* new_library_state(int64_t size, void (*initialiser)(void* state)) {
  void* state = heap_alloc(size);
  if (state && initialiser) initialiser(state);
  return state;
}

void* library_state(void* state) { return state; }
