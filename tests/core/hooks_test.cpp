// The container support behind the hook table copies what it is given
// faithfully: the same elements, in the same order, found the same way.
#include "runtime/core/hooks.h"

#include <gtest/gtest.h>

#include "runtime/core/containers.h"
#include "runtime/core/memory.h"

namespace {

TEST(Hooks, CopiedMapFindsTheNewerOfTwoEqualKeys) {
  map_support_start();
  hash_map* map = map_create(sizeof(int64_t), 7, nullptr, nullptr, 4);
  *(int64_t*)map_insert(map, L"k", 0) = 1;
  *(int64_t*)map_insert(map, L"k", 0) = 2;
  *(int64_t*)map_insert(map, L"other", 0) = 3;
  auto* copy = (hash_map*)hooks.copy_map(map);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->count, 3);
  EXPECT_EQ(*(int64_t*)map_find(copy, L"k"), 2);
  EXPECT_EQ(*(int64_t*)map_find(copy, L"other"), 3);
  hooks.free_map(copy);
  map_free(map);
}

TEST(Hooks, CopiedListKeepsItsOrder) {
  list_support_start();
  auto* list = (linked_list*)hooks.create_list(sizeof(int32_t), nullptr, nullptr, 0);
  for (int32_t i = 1; i <= 3; i++) *(int32_t*)list_insert(list) = i;
  auto* copy = (linked_list*)hooks.copy_list(list);
  ASSERT_NE(copy, nullptr);
  int32_t expected = 1;
  for (list_node* node = copy->first; node; node = node->next) EXPECT_EQ(*(int32_t*)list_element(node), expected++);
  EXPECT_EQ(expected, 4);
  hooks.free_list(copy);
  hooks.free_list(list);
}

TEST(Hooks, MultiDimensionalArrayHoldsTheProductOfItsCounts) {
  array_support_start();
  void* owner = nullptr;
  const int64_t counts[] = {3, 4};
  void* array = hooks.allocate_multi_array(2, counts, 2, nullptr, &owner);
  ASSERT_EQ(owner, array);
  const array_header* header = (const array_header*)array - 1;
  EXPECT_EQ(header->count, 12);
  EXPECT_EQ(header->dimensions, 2);
  hooks.free_array(array);
  EXPECT_EQ(owner, nullptr);
}

}  // namespace
