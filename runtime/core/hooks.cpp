#include "runtime/core/hooks.h"

#include "runtime/core/containers.h"
#include "runtime/core/memory.h"
#include "runtime/core/runtime_globals.h"

hook_table hooks;

namespace {

void* allocate_multi_array(int64_t element_size, const int64_t* counts, int32_t dimensions,
                           const type_descriptor* layout, void** owner) {
  int64_t count = 1;
  for (int32_t i = 0; i < dimensions; i++) {
    if (counts[i] <= 0) return nullptr;
    if (count > INT64_MAX / counts[i]) return nullptr;
    count *= counts[i];
  }
  void* elements = allocate_array(element_size, count, 0, layout, owner);
  if (elements) ((array_header*)elements - 1)->dimensions = dimensions;
  return elements;
}

void* copy_array(const void* array) {
  if (!array) return nullptr;
  const auto* header = (const array_header*)array - 1;
  void* copy = allocate_array(header->element_size, header->count, header->type_code, header->layout, nullptr);
  if (copy) CopyMemory(copy, array, (SIZE_T)(header->count * header->element_size));
  return copy;
}

void* create_list(int64_t element_size, void* owner, const type_descriptor* type, int32_t value) {
  return list_create(element_size, (list_owner*)owner, type, value);
}

void* copy_list(const void* source) {
  const auto* from = (const linked_list*)source;
  if (!from) return nullptr;
  linked_list* to = list_create(from->node_size - 16, nullptr, from->type, from->value);
  if (!to) return nullptr;
  for (list_node* node = from->first; node; node = node->next) {
    void* element = list_insert(to);
    if (!element) break;
    CopyMemory(element, list_element(node), (SIZE_T)(from->node_size - 16));
  }
  return to;
}

void free_list(void* list) { list_free((linked_list*)list); }

void* create_map(int64_t element_size, int32_t value, const type_descriptor* type, void* owner, int32_t buckets) {
  return map_create(element_size, value, type, (hash_map**)owner, buckets);
}

void* copy_map(const void* source) {
  const auto* from = (const hash_map*)source;
  if (!from) return nullptr;
  hash_map* to = map_create(from->element_size, from->creation_value, from->type, nullptr, from->bucket_count);
  if (!to) return nullptr;
  to->flags = from->flags & ~map_keys_not_owned;
  // Chains run newest first and insertion puts an entry at the head, so each
  // chain is copied oldest first to keep its order (and which of two equal
  // keys is found).
  auto** chain = (map_entry**)HeapAlloc(runtime.heap, 0, (SIZE_T)(from->count + 1) * sizeof(map_entry*));
  if (!chain) {
    map_free(to);
    return nullptr;
  }
  for (int32_t b = 0; b < from->bucket_count; b++) {
    int64_t length = 0;
    for (map_entry* e = from->buckets[b]; e; e = e->next) chain[length++] = e;
    while (length > 0) {
      map_entry* e = chain[--length];
      void* element = map_insert(to, e->key, 0);
      if (element) CopyMemory(element, e + 1, (SIZE_T)from->element_size);
    }
  }
  HeapFree(runtime.heap, 0, chain);
  return to;
}

void free_map(void* map) { map_free((hash_map*)map); }

}  // namespace

void array_support_start() {
  hooks.allocate_array = allocate_array;
  hooks.allocate_multi_array = allocate_multi_array;
  hooks.copy_array = copy_array;
  hooks.free_array = free_array;
}

void list_support_start() {
  hooks.create_list = create_list;
  hooks.copy_list = copy_list;
  hooks.free_list = free_list;
}

void map_support_start() {
  hooks.create_map = create_map;
  hooks.copy_map = copy_map;
  hooks.free_map = free_map;
}

// Structured elements would have their text, array, list and map fields set
// up and cleared here; no type of this system has such fields.
void setup_fields(void*, const type_descriptor*) {}
void clear_fields(void*, const type_descriptor*) {}
