#pragma once
// Structured values (records whose fields are texts, arrays, lists or maps)
// are set up, copied and cleared by generic routines that reach the container
// support through this table. No element of this system is structured, so the
// descriptors stay empty; the table is where such support plugs in.
#include <cstdint>

struct type_descriptor {
  int64_t size;
  int32_t field_count;  // 0: plain bytes, nothing to set up or clear
};

inline bool needs_setup(const type_descriptor* t) { return t && t->field_count > 0; }

struct hook_table {
  void* (*allocate_array)(int64_t, int64_t, int64_t, const type_descriptor*, void**);
  void* (*allocate_multi_array)(int64_t, const int64_t*, int32_t, const type_descriptor*, void**);
  void* (*copy_array)(const void*);
  void (*free_array)(void*);
  void* (*create_list)(int64_t, void*, const type_descriptor*, int32_t);
  void* (*copy_list)(const void*);
  void (*free_list)(void*);
  void* (*create_map)(int64_t, int32_t, const type_descriptor*, void*, int32_t);
  void* (*copy_map)(const void*);
  void (*free_map)(void*);
};

extern hook_table hooks;

void array_support_start();
void list_support_start();
void map_support_start();

// Generic set-up and clearing of a structured element's fields.
void setup_fields(void* element, const type_descriptor* t);
void clear_fields(void* element, const type_descriptor* t);
