// Keyed hash map: UTF-16 keys, chained buckets of a fixed count (no rehash),
// entries from a block pool shared by every map of the same element size.
// Each entry is {next, key} followed by the element; callers hold element
// addresses, which stay put while the entry lives.
#include <cstring>
#include <cwchar>
#include <cwctype>

#include "runtime/core/containers.h"
#include "runtime/core/hooks.h"
#include "runtime/core/runtime_globals.h"

namespace {

constexpr int64_t entry_header_size = sizeof(map_entry);
wchar_t empty_key[1] = {0};

void* element_of(map_entry* entry) { return entry ? entry + 1 : nullptr; }

bool case_insensitive(const hash_map* map) { return map->flags & map_case_insensitive; }

bool keys_owned(const hash_map* map) { return !(map->flags & map_keys_not_owned); }

uint32_t bucket_of(const hash_map* map, const wchar_t* key) {
  return map_hash(key, case_insensitive(map)) % (uint32_t)map->bucket_count;
}

// The entry before `current` in its chain decides how map_delete_current
// unlinks it; the saved bucket is where map_next resumes when that entry
// becomes current in its stead (one before the bucket when there is none, so
// that the bucket's new head is still visited).
void make_current(hash_map* map, map_entry* current, map_entry* previous, int32_t bucket) {
  map->current = current;
  map->previous = previous;
  map->current_bucket = bucket;
  map->saved_bucket = previous ? bucket : bucket - 1;
}

map_entry* entry_before(hash_map* map, int32_t bucket, map_entry* entry) {
  map_entry* previous = nullptr;
  for (map_entry* e = map->buckets[bucket]; e != entry; e = e->next) previous = e;
  return previous;
}

// Keys the map owns are copies; keys it does not own are the caller's and
// must outlive the entry.
wchar_t* key_for_entry(hash_map* map, const wchar_t* key) {
  if (!keys_owned(map)) return const_cast<wchar_t*>(key);
  SIZE_T bytes = (wcslen(key) + 1) * sizeof(wchar_t);
  auto* copy = (wchar_t*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, bytes);
  if (copy) memcpy(copy, key, bytes);
  return copy;
}

void release_entry(hash_map* map, map_entry* entry) {
  if (keys_owned(map)) HeapFree(runtime.heap, 0, entry->key);
  if (map->type) clear_fields(element_of(entry), map->type);
  pool_free(entry);
}

void* fresh_element(hash_map* map, map_entry* entry) {
  void* element = element_of(entry);
  memset(element, 0, (size_t)map->element_size);
  if (map->flags & map_typed_elements) setup_fields(element, map->type);
  return element;
}

}  // namespace

uint32_t map_hash(const wchar_t* key, bool lower_case) {
  uint32_t h = 0;
  for (const wchar_t* u = key ? key : L""; *u; ++u) h = h * 65599u + (lower_case ? towlower(*u) : *u);
  return h;
}

hash_map* map_create(int64_t element_size, int32_t creation_value, const type_descriptor* type,
                     hash_map** owner_slot, int32_t bucket_count) {
  if (owner_slot) {
    // The old map may not know this slot (it was created for another), so
    // its freeing need not clear it; a failure below must not leave it behind.
    map_free(*owner_slot);
    *owner_slot = nullptr;
  }
  if (element_size < 0) return nullptr;
  auto* map = (hash_map*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, sizeof(hash_map));
  if (!map) return nullptr;
  map->bucket_count = bucket_count > 0 ? bucket_count : 1;
  map->buckets = (map_entry**)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, sizeof(map_entry*) * map->bucket_count);
  map->entry_pool = pool_create(element_size + entry_header_size, 16, 65536, pool_shared);
  map->empty_element =
      (map_entry*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, (SIZE_T)(element_size + entry_header_size));
  if (!map->buckets || !map->entry_pool || !map->empty_element) {
    map_free(map);
    return nullptr;
  }
  map->empty_element->key = empty_key;
  map->type = type;
  map->element_size = element_size;
  map->creation_value = creation_value;
  map->flags = needs_setup(type) ? map_typed_elements : 0;
  map_reset(map);
  map->owner_slot = owner_slot;
  if (owner_slot) *owner_slot = map;
  return map;
}

void* map_find(hash_map* map, const wchar_t* key) {
  if (!map) return nullptr;
  if (!key) key = L"";
  int32_t bucket = (int32_t)bucket_of(map, key);
  map_entry* previous = nullptr;
  for (map_entry* entry = map->buckets[bucket]; entry; previous = entry, entry = entry->next) {
    bool same = case_insensitive(map) ? _wcsicmp(entry->key, key) == 0 : wcscmp(entry->key, key) == 0;
    if (!same) continue;
    make_current(map, entry, previous, bucket);
    return element_of(entry);
  }
  return nullptr;
}

void* map_insert(hash_map* map, const wchar_t* key, int replace) {
  if (!map) return nullptr;
  if (!key) key = L"";
  if (replace == 1 && map_find(map, key)) {
    if (map->type) clear_fields(element_of(map->current), map->type);
    return fresh_element(map, map->current);
  }
  auto* entry = (map_entry*)pool_alloc(map->entry_pool);
  if (!entry) return nullptr;
  entry->key = key_for_entry(map, key);
  if (!entry->key) {
    pool_free(entry);
    return nullptr;
  }
  int32_t bucket = (int32_t)bucket_of(map, key);
  entry->next = map->buckets[bucket];
  map->buckets[bucket] = entry;
  map->count++;
  make_current(map, entry, nullptr, bucket);
  return fresh_element(map, entry);
}

void* map_delete_current(hash_map* map) {
  if (!map || !map->current) return nullptr;
  map_entry* entry = map->current;
  map_entry* previous = map->previous;
  int32_t bucket = map->current_bucket;
  if (previous) {
    previous->next = entry->next;
  } else {
    map->buckets[bucket] = entry->next;
  }
  map->count--;
  release_entry(map, entry);
  // The previous entry takes the deleted one's place, so a following
  // map_next continues right after it. Its own predecessor is looked up so
  // that deleting again unlinks through the right entry.
  if (previous) {
    make_current(map, previous, entry_before(map, bucket, previous), bucket);
  } else {
    make_current(map, nullptr, nullptr, map->saved_bucket);
  }
  return element_of(previous);
}

void map_reset(hash_map* map) {
  if (!map) return;
  map->current = map->previous = nullptr;
  map->current_bucket = map->saved_bucket = -1;
}

void* map_next(hash_map* map) {
  if (!map) return nullptr;
  if (map->current && map->current->next) {
    make_current(map, map->current->next, map->current, map->current_bucket);
    return element_of(map->current);
  }
  for (int32_t bucket = map->current_bucket + 1; bucket < map->bucket_count; ++bucket) {
    if (!map->buckets[bucket]) continue;
    make_current(map, map->buckets[bucket], nullptr, bucket);
    return element_of(map->current);
  }
  // Past the end: stay there, with nothing left for map_delete_current.
  make_current(map, nullptr, nullptr, map->bucket_count - 1);
  return nullptr;
}

void map_clear(hash_map* map) {
  if (!map) return;
  for (int32_t bucket = 0; bucket < map->bucket_count; ++bucket) {
    while (map_entry* entry = map->buckets[bucket]) {
      map->buckets[bucket] = entry->next;
      release_entry(map, entry);
    }
  }
  map_reset(map);
  map->count = 0;
}

void map_free(hash_map* map) {
  if (!map) return;
  if (map->buckets) map_clear(map);
  pool_destroy(map->entry_pool);
  HeapFree(runtime.heap, 0, map->buckets);
  HeapFree(runtime.heap, 0, map->empty_element);
  while (void* block = map->extra_blocks) {
    map->extra_blocks = *(void**)block;
    HeapFree(runtime.heap, 0, block);
  }
  // The slot may hold a newer map by now; that one is not ours to forget.
  if (map->owner_slot && *map->owner_slot == map) *map->owner_slot = nullptr;
  HeapFree(runtime.heap, 0, map);
}
