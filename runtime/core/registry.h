#pragma once
// Object numbers: every runtime library maps caller-chosen numbers, and
// identifiers handed out for any_number, to fixed-size records.
#include <cstdint>

constexpr int64_t any_number = -1;
// Numbers index the slot table directly; larger ones are refused rather than
// growing a huge table.
constexpr int64_t largest_object_number = 1000000;

using release_callback = void (*)(int64_t number);

struct dynamic_node {
  dynamic_node* next;
  dynamic_node* previous;
  // the record follows
};

struct registry {
  int32_t record_size;
  int32_t growth_step;
  int64_t slot_count;
  void** slots;
  dynamic_node* dynamic_list;
  release_callback release;
  int64_t walk_cursor;
  // Identifiers handed out and not yet released, an open-addressed set, so
  // that a stale or invented identifier is recognised without touching memory.
  uintptr_t* live_ids;
  int64_t live_capacity;
  int64_t live_count;
};

registry* create_registry(int32_t record_size, int32_t growth_step, release_callback release);
void* obtain_slot(registry* r, int64_t number);
void* find_object(registry* r, int64_t number);
void release_slot(registry* r, int64_t number);
void release_all(registry* r);
// The release callback every library shares: any_number empties the
// registry; a live number or identifier has its platform object freed and
// its slot given back; anything else is ignored.
void release_object(registry* r, int64_t number, void (*free_platform_object)(void* record));

// The identifier of a record handed out for any_number.
inline int64_t identifier_of(const void* record) { return (int64_t)(uintptr_t)record; }

void* new_library_state(int64_t size, void (*initialiser)(void* state));
void* library_state(void* state);
