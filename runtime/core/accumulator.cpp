#include <cwchar>

#include "runtime/core/strings.h"

string_accumulator accumulator;
HANDLE string_heap;

namespace {
constexpr int64_t initial_capacity = 16;
constexpr int64_t growth_margin = 16384;
constexpr int64_t shrink_threshold = 1048576;
}  // namespace

void string_library_start() {
  string_heap = HeapCreate(0, 4096, 0);
  accumulator.buffer = (char*)HeapAlloc(string_heap, HEAP_ZERO_MEMORY, initial_capacity + 10);
  accumulator.capacity = initial_capacity;
  accumulator.offset = 0;
}

void string_library_stop() {
  HeapFree(string_heap, 0, accumulator.buffer);
  HeapDestroy(string_heap);
  accumulator = {};
  string_heap = nullptr;
}

wchar_t* reserve_characters(int64_t count, int64_t at) {
  // The need is computed as a 32-bit sum, as the accumulator always has.
  int64_t need = (int32_t)(accumulator.offset + 2 * count);
  int64_t capacity = accumulator.capacity;
  if (need >= capacity - 4) {
    capacity = need + growth_margin;
  } else if (capacity > shrink_threshold) {
    capacity = need > shrink_threshold ? need : shrink_threshold;  // give back a huge buffer
  }
  if (capacity != accumulator.capacity || !accumulator.buffer) {
    // A buffer whose first allocation failed is made now.
    void* moved = accumulator.buffer ? HeapReAlloc(string_heap, 0, accumulator.buffer, (SIZE_T)(capacity + 10))
                                     : HeapAlloc(string_heap, HEAP_ZERO_MEMORY, (SIZE_T)(capacity + 10));
    if (!moved) {
      // Nothing may be written past the old buffer: hand out no room at all.
      // The result reads as the empty text, not as whatever an earlier text
      // left at that offset; there is always room for its zero unit.
      if (accumulator.buffer && at >= 0 && at < accumulator.capacity) {
        accumulator.offset = at;
        *accumulator_text(at) = 0;
      }
      return nullptr;
    }
    accumulator.buffer = (char*)moved;
    accumulator.capacity = capacity;
  }
  accumulator.offset = at + 2 * count;
  return accumulator_text(at);
}

void give_back_characters(int64_t count) { accumulator.offset -= 2 * count; }

void append_text(const wchar_t* text) {
  if (!text) {
    *accumulator_text(accumulator.offset) = 0;
    return;
  }
  int64_t length = (int64_t)wcslen(text);
  // The text may itself lie in the accumulator, which the reservation can move.
  int64_t position = accumulator_position_of(text);
  wchar_t* room = reserve_characters(length, accumulator.offset);
  if (!room) return;
  if (position) text = accumulator_address(position);
  wmemmove(room, text, (size_t)length);
  // Room for the zero unit is always there: the buffer keeps 10 bytes beyond
  // its capacity and a reservation never fills the last 4.
  room[length] = 0;
}

wchar_t* empty_text_at(int64_t at) {
  wchar_t* room = reserve_characters(1, at);
  if (!room) return nullptr;
  accumulator.offset = at;
  *room = 0;
  return room;
}

void store_text(wchar_t** variable, int64_t start) {
  int64_t bytes = accumulator.offset - start;
  if (bytes < 0) bytes = 0;
  void* block = *variable ? HeapReAlloc(string_heap, 0, *variable, (SIZE_T)(bytes + 10))
                          : HeapAlloc(string_heap, 0, (SIZE_T)(bytes + 10));
  if (block) {
    *variable = (wchar_t*)block;
    int64_t units = bytes / 2;
    wmemcpy(*variable, accumulator_text(start), (size_t)units);
    (*variable)[units] = 0;
  }
  accumulator.offset = start;
}

void copy_text(wchar_t** variable, const wchar_t* text) {
  if (!text) return;
  size_t length = wcslen(text);
  auto* block = (wchar_t*)HeapAlloc(string_heap, 0, (length + 5) * sizeof(wchar_t));
  if (!block) return;
  wmemcpy(block, text, length + 1);
  *variable = block;
}

void free_text(wchar_t* text) {
  if (text && string_heap) HeapFree(string_heap, 0, text);
}

int64_t accumulator_position_of(const void* address) {
  const char* p = (const char*)address;
  if (!accumulator.buffer || p < accumulator.buffer || p > accumulator.buffer + accumulator.offset) return 0;
  return (p - accumulator.buffer) + 1;
}

wchar_t* accumulator_address(int64_t position) { return (wchar_t*)(accumulator.buffer + position - 1); }
