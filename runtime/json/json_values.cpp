#include <windows.h>

#include <cwchar>

#include "runtime/core/runtime_globals.h"
#include "runtime/json/json.h"

namespace {

constexpr int32_t member_buckets = 64;
constexpr int32_t map_creation_value = 7;
constexpr int32_t list_creation_value = 0;

}  // namespace

void clear_value(json_value* value) {
  switch (value->kind) {
    case json_kind_string:
      if (value->payload.text) HeapFree(runtime.heap, 0, value->payload.text);
      break;
    case json_kind_array:
      // Walk the nodes directly so the list's current position is not disturbed.
      for (list_node* node = value->payload.elements->first; node; node = node->next) {
        clear_value((json_value*)list_element(node));
      }
      list_free(value->payload.elements);
      break;
    case json_kind_object: {
      hash_map* members = value->payload.members;
      map_reset(members);
      while (auto* member = (json_value*)map_next(members)) clear_value(member);
      map_free(members);
      break;
    }
  }
  value->kind = json_kind_null;
  value->number_form = json_integer;
  value->payload.integer = 0;
}

void free_value(json_value* value) {
  if (!value) return;
  clear_value(value);
  HeapFree(runtime.heap, 0, value);
}

void set_null(json_value* value) { clear_value(value); }

void set_boolean(json_value* value, int64_t flag) {
  clear_value(value);
  value->kind = json_kind_boolean;
  value->payload.boolean = flag ? 1 : 0;
}

void set_integer(json_value* value, int64_t number) {
  clear_value(value);
  value->kind = json_kind_number;
  value->payload.integer = number;
}

void set_float(json_value* value, double number) {
  clear_value(value);
  value->kind = json_kind_number;
  value->number_form = json_float;
  value->payload.real = number;
}

int set_string(json_value* value, const wchar_t* text) {
  clear_value(value);
  size_t length = text ? wcslen(text) : 0;
  if (length > 0) {
    auto* copy = (wchar_t*)HeapAlloc(runtime.heap, 0, (length + 1) * sizeof(wchar_t));
    if (!copy) return 0;
    wmemcpy(copy, text, length + 1);
    value->payload.text = copy;
  }
  value->kind = json_kind_string;
  return 1;
}

int make_array(json_value* value) {
  clear_value(value);
  linked_list* elements = list_create(sizeof(json_value), nullptr, nullptr, list_creation_value);
  if (!elements) return 0;
  value->kind = json_kind_array;
  value->payload.elements = elements;
  return 1;
}

int make_object(json_value* value) {
  clear_value(value);
  if (!map_create(sizeof(json_value), map_creation_value, nullptr, &value->payload.members, member_buckets)) {
    return 0;
  }
  if (value->flags) value->payload.members->flags |= map_case_insensitive;
  value->kind = json_kind_object;
  return 1;
}

json_value* append_element(json_value* array) {
  if (array->kind != json_kind_array) return nullptr;
  linked_list* elements = array->payload.elements;
  list_last(elements);  // list_insert adds after the current node
  auto* element = (json_value*)list_insert(elements);
  if (!element) return nullptr;
  element->flags = array->flags;
  return element;
}

json_value* add_member(json_value* object, const wchar_t* name) {
  if (object->kind != json_kind_object) return nullptr;
  // A repeated name reuses its entry: the last occurrence wins.
  json_value* member = find_member(object->payload.members, name);
  if (member) {
    clear_value(member);
    return member;
  }
  member = (json_value*)map_insert(object->payload.members, name ? name : L"", 0);
  if (!member) return nullptr;
  member->flags = object->flags;
  return member;
}

json_value* find_member(hash_map* members, const wchar_t* name) {
  if (!members) return nullptr;
  return (json_value*)map_find(members, name ? name : L"");
}
