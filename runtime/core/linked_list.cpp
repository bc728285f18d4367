// Doubly linked list with a current node. Nodes come from a block pool shared
// by every list of the same element size. The owner record mirrors the
// current element's address so its holder reads it without asking the list.
#include <cstring>

#include "runtime/core/containers.h"
#include "runtime/core/hooks.h"
#include "runtime/core/runtime_globals.h"

namespace {

constexpr int64_t node_header_size = sizeof(list_node);

void make_current(linked_list* list, list_node* node, int64_t index) {
  list->current = node;
  list->current_index = index;
  *list->mirror = node ? list_element(node) : nullptr;
}

}  // namespace

linked_list* list_create(int64_t element_size, list_owner* owner, const type_descriptor* type, int32_t value) {
  if (element_size < 0) return nullptr;
  auto* list = (linked_list*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, sizeof(linked_list));
  if (!list) return nullptr;
  list->node_pool = pool_create(element_size + node_header_size, 16, 65536, pool_shared);
  if (!owner) {
    owner = (list_owner*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, sizeof(list_owner));
    list->owner_allocated = 1;
  }
  if (!list->node_pool || !owner) {
    pool_destroy(list->node_pool);
    if (list->owner_allocated) HeapFree(runtime.heap, 0, owner);
    HeapFree(runtime.heap, 0, list);
    return nullptr;
  }
  list->owner = owner;
  list->mirror = &owner->current_element;
  owner->list = list;
  list->type = type;
  list->node_size = element_size + node_header_size;
  list->value = value;
  list->needs_setup = needs_setup(type);
  make_current(list, nullptr, -1);
  return list;
}

void* list_insert(linked_list* list) {
  if (!list) return nullptr;
  auto* node = (list_node*)pool_alloc(list->node_pool);
  if (!node) return nullptr;
  memset(node, 0, (size_t)list->node_size);
  if (list->needs_setup) setup_fields(list_element(node), list->type);
  list->count++;
  list_node* after = list->current;
  node->previous = after;
  node->next = after ? after->next : list->first;
  if (node->next) {
    node->next->previous = node;
  } else {
    list->last = node;
  }
  if (after) {
    after->next = node;
  } else {
    list->first = node;
  }
  make_current(list, node, after ? list->current_index + 1 : 0);
  return list_element(node);
}

void* list_last(linked_list* list) {
  if (!list) return nullptr;
  make_current(list, list->last, list->count - 1);
  return list->last ? list_element(list->last) : nullptr;
}

void list_clear(linked_list* list) {
  if (!list) return;
  while (list_node* node = list->first) {
    list->first = node->next;
    if (list->type) clear_fields(list_element(node), list->type);
    pool_free(node);
  }
  list->last = nullptr;
  list->count = 0;
  make_current(list, nullptr, -1);
}

void list_free(linked_list* list) {
  if (!list) return;
  list_clear(list);
  pool_destroy(list->node_pool);
  list_owner* owner = list->owner;
  // The owner may have been handed a newer list since; leave that one be.
  if (owner->list == list) *owner = {};
  if (list->owner_allocated) HeapFree(runtime.heap, 0, owner);
  HeapFree(runtime.heap, 0, list);
}
