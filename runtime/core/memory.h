#pragma once
// Memory blocks (zero-filled, from their own heap, freed all at once at
// shut-down) and counted array blocks (from the runtime heap).
#include <windows.h>
#include <cstdint>

struct type_descriptor;

// The memory-block heap; none before the library's start and after its stop.
extern HANDLE memory_heap;

void memory_library_start();
void memory_library_stop();
void* allocate_memory(int64_t size);

// Header recorded ahead of an array's elements.
struct array_header {
  int64_t dimensions;
  int64_t element_size;
  const type_descriptor* layout;
  void** owner;
  int64_t count;
  int64_t type_code;
};

void* allocate_array(int64_t element_size, int64_t count, int64_t type_code,
                     const type_descriptor* layout, void** owner);
void free_array(void* array);
