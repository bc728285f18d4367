#pragma once
// Shared containers: a block pool of fixed-size slots, a keyed hash map with
// UTF-16 keys and a doubly linked list. Maps and lists draw their nodes from
// shared pools, one per node size. All memory comes from the runtime heap.
#include <windows.h>
#include <cstdint>

struct type_descriptor;

// ---- block pool -----------------------------------------------------------
struct pool_block {
  pool_block* next;
  pool_block* previous;
  void* free_list;
  int32_t capacity;
  int32_t high_water;
  int32_t free_count;
  // capacity slots follow, each an 8-byte back pointer plus the element
};

struct block_pool {
  pool_block* full_blocks;
  pool_block* available_blocks;
  int32_t total_slots;
  int64_t slot_size;
  int32_t minimum_block;
  int32_t maximum_block;
  uint32_t locked;
  CRITICAL_SECTION lock;
};

constexpr uint32_t pool_own_lock = 1;
constexpr uint32_t pool_shared = 4;

block_pool* pool_create(int64_t element_size, int32_t minimum_block, int32_t maximum_block, uint32_t flags);
void* pool_alloc(block_pool* pool);
void pool_free(void* slot);
void pool_destroy(block_pool* pool);

// ---- keyed hash map -------------------------------------------------------
struct map_entry {
  map_entry* next;
  wchar_t* key;
  // the element follows
};

constexpr uint32_t map_case_insensitive = 1;
constexpr uint32_t map_typed_elements = 2;
constexpr uint32_t map_keys_not_owned = 4;

struct hash_map {
  map_entry* current;
  map_entry** buckets;
  map_entry* previous;
  map_entry* empty_element;
  const type_descriptor* type;
  int32_t current_bucket;
  int32_t saved_bucket;
  int64_t element_size;
  int32_t creation_value;
  int64_t count;
  uint32_t flags;
  hash_map** owner_slot;
  void* extra_blocks;
  block_pool* entry_pool;
  int32_t bucket_count;
};

hash_map* map_create(int64_t element_size, int32_t creation_value, const type_descriptor* type,
                     hash_map** owner_slot, int32_t bucket_count);
void* map_insert(hash_map* map, const wchar_t* key, int replace);
void* map_find(hash_map* map, const wchar_t* key);
void* map_delete_current(hash_map* map);
void map_reset(hash_map* map);
void* map_next(hash_map* map);
void map_clear(hash_map* map);
void map_free(hash_map* map);
// The key of an element handed out by the map.
inline const wchar_t* map_key_of(const void* element) {
  return ((const map_entry*)element - 1)->key;
}
// The hash of the map's keys: h = h * 65599 + unit, unsigned 32-bit.
uint32_t map_hash(const wchar_t* key, bool case_insensitive);

// ---- linked list ----------------------------------------------------------
struct list_node {
  list_node* next;
  list_node* previous;
  // the element follows
};

struct linked_list;
struct list_owner {
  linked_list* list;
  void* current_element;  // mirror of the current element's address
};

struct linked_list {
  list_node* first;
  list_node* last;
  list_node* current;
  void** mirror;
  int64_t count;
  int64_t current_index;
  const type_descriptor* type;
  block_pool* node_pool;
  list_owner* owner;
  int64_t node_size;
  int32_t value;
  uint8_t needs_setup;
  uint8_t owner_allocated;
};

linked_list* list_create(int64_t element_size, list_owner* owner, const type_descriptor* type, int32_t value);
void* list_insert(linked_list* list);
void* list_last(linked_list* list);
void list_clear(linked_list* list);
void list_free(linked_list* list);
inline void* list_element(list_node* node) { return node + 1; }
