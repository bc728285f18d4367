#include "runtime/core/memory.h"

#include <windows.h>

#include "runtime/core/hooks.h"
#include "runtime/core/runtime_globals.h"

HANDLE memory_heap;

void memory_library_start() { memory_heap = HeapCreate(0, 4096, 0); }

void memory_library_stop() {
  if (memory_heap) HeapDestroy(memory_heap);
  memory_heap = nullptr;
}

void* allocate_memory(int64_t size) {
  if (size <= 0 || !memory_heap) return nullptr;
  return HeapAlloc(memory_heap, HEAP_ZERO_MEMORY, (SIZE_T)size);
}

void* allocate_array(int64_t element_size, int64_t count, int64_t type_code,
                     const type_descriptor* layout, void** owner) {
  if (owner && *owner) free_array(*owner);
  if (count <= 0 || element_size <= 0) return nullptr;
  // Refuse sizes whose product would wrap.
  if (count > (INT64_MAX - (int64_t)sizeof(array_header)) / element_size) return nullptr;
  auto* header = (array_header*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY,
                                          (SIZE_T)(sizeof(array_header) + count * element_size));
  if (!header) return nullptr;
  header->dimensions = 1;
  header->element_size = element_size;
  header->layout = layout;
  header->owner = owner;
  header->count = count;
  header->type_code = type_code;
  auto* elements = (char*)(header + 1);
  if (needs_setup(layout)) {
    for (int64_t i = 0; i < count; i++) setup_fields(elements + i * element_size, layout);
  }
  if (owner) *owner = elements;
  return elements;
}

void free_array(void* array) {
  if (!array) return;
  auto* header = (array_header*)array - 1;
  if (needs_setup(header->layout)) {
    for (int64_t i = 0; i < header->count; i++)
      clear_fields((char*)array + i * header->element_size, header->layout);
  }
  if (header->owner) *header->owner = nullptr;
  HeapFree(runtime.heap, 0, header);
}
