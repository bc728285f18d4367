#pragma once
// Working state of the event library, shared by its queue, its wait, its
// binding table and the class procedure of runtime windows.
#include <windows.h>
#include <cstdint>

#include "runtime/window/events.h"

struct block_pool;
struct hash_map;

struct event_entry {
  event_entry* next;
  int32_t code;
  uint32_t flags;
  int64_t object;
  int64_t window;
  int64_t type;
  int64_t data;
  event_data_release release;
};

struct event_queue {
  block_pool* pool;   // none for the record shared by threads other than the main one
  event_entry* head;
  event_entry* tail;
  int32_t suspension;
  current_event_record current;
};

struct event_library_record {
  HWND poster;            // wakes a GetMessageW that only handled a sent message
  UINT unlock_message;
  DWORD main_thread;
  event_queue* main_queue;
  hash_map* bindings;     // "code:window:object" -> first binding of its chain
};

extern event_library_record* event_state;

// The pool of a main queue's entries; none when memory is short.
block_pool* new_event_pool();

// Frees the binding table with every chain in it. Its entries come from a
// pool shared across the process, whose record must not outlive the runtime
// heap the table lives in: a runtime started again in the same process would
// find it there.
void free_event_bindings();

// The queue of the calling thread: the main thread's own, or one shared
// record without entries for every other thread.
event_queue* current_event_queue();
