#include <gtest/gtest.h>

#include <vector>

#include "runtime/core/containers.h"
#include "tests/support/runtime_environment.h"

namespace {

// The numbers of the list read forwards and, to check the back links, backwards.
std::vector<int64_t> forwards(const linked_list* list) {
  std::vector<int64_t> numbers;
  for (list_node* n = list->first; n; n = n->next) numbers.push_back(*(int64_t*)list_element(n));
  return numbers;
}

std::vector<int64_t> backwards(const linked_list* list) {
  std::vector<int64_t> numbers;
  for (list_node* n = list->last; n; n = n->previous) numbers.insert(numbers.begin(), *(int64_t*)list_element(n));
  return numbers;
}

int64_t* add(linked_list* list, int64_t number) {
  auto* element = (int64_t*)list_insert(list);
  *element = number;
  return element;
}

TEST(LinkedList, InsertsFollowTheCurrentNode) {
  list_owner owner{};
  linked_list* list = list_create(sizeof(int64_t), &owner, nullptr, 7);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(owner.list, list);
  EXPECT_EQ(list->node_size, 24);

  int64_t* first = add(list, 1);
  EXPECT_EQ(list->current_index, 0);
  EXPECT_EQ(owner.current_element, first);
  add(list, 2);
  int64_t* third = add(list, 3);
  EXPECT_EQ(list->current_index, 2);
  EXPECT_EQ(owner.current_element, third);
  EXPECT_EQ(forwards(list), (std::vector<int64_t>{1, 2, 3}));
  EXPECT_EQ(backwards(list), forwards(list));

  // With the first node current, a new node goes between it and the second.
  list->current = list->first;
  list->current_index = 0;
  add(list, 15);
  EXPECT_EQ(list->current_index, 1);
  EXPECT_EQ(forwards(list), (std::vector<int64_t>{1, 15, 2, 3}));
  EXPECT_EQ(backwards(list), forwards(list));
  EXPECT_EQ(list->count, 4);
  list_free(list);
  EXPECT_EQ(owner.list, nullptr);
  EXPECT_EQ(owner.current_element, nullptr);
}

TEST(LinkedList, LastMovesToTheEndOrAnswersNoneWhenEmpty) {
  list_owner owner{};
  linked_list* list = list_create(sizeof(int64_t), &owner, nullptr, 7);
  EXPECT_EQ(list_last(list), nullptr);
  EXPECT_EQ(owner.current_element, nullptr);

  add(list, 1);
  add(list, 2);
  list->current = list->first;
  auto* last = (int64_t*)list_last(list);
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(*last, 2);
  EXPECT_EQ(list->current_index, 1);
  EXPECT_EQ(owner.current_element, last);
  add(list, 3);  // appended after the last node
  EXPECT_EQ(forwards(list), (std::vector<int64_t>{1, 2, 3}));
  EXPECT_EQ(list->last, list->current);
  list_free(list);
}

TEST(LinkedList, ClearedListStartsOverAndElementsComeZeroed) {
  // Another list of the same size keeps the first pool block alive, so the
  // cleared nodes stay in it and are handed out again.
  linked_list* keeper = list_create(sizeof(int64_t) * 3, nullptr, nullptr, 7);
  list_insert(keeper);
  linked_list* list = list_create(sizeof(int64_t) * 3, nullptr, nullptr, 7);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->node_pool, keeper->node_pool);
  EXPECT_EQ(list->owner_allocated, 1);
  EXPECT_EQ(list->owner->list, list);
  for (int i = 0; i < 40; ++i) {
    auto* element = (int64_t*)list_insert(list);
    element[0] = element[1] = element[2] = -1;
  }
  block_pool* pool = list->node_pool;
  int32_t slots_in_use = pool->total_slots;
  list_clear(list);
  EXPECT_EQ(list->count, 0);
  EXPECT_EQ(list->first, nullptr);
  EXPECT_EQ(list->last, nullptr);
  EXPECT_EQ(list->owner->current_element, nullptr);
  EXPECT_LT(pool->total_slots, slots_in_use);  // nodes went back to the pool

  // Slots come back from the pool dirty; the list hands them out zeroed.
  auto* element = (int64_t*)list_insert(list);
  EXPECT_EQ(list->current_index, 0);
  EXPECT_EQ(element[0] | element[1] | element[2], 0);
  list_free(list);
  list_free(keeper);
}

}  // namespace
