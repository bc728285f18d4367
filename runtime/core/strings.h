#pragma once
// Text is UTF-16. Results of text expressions are built in one shared scratch
// buffer, the string accumulator, and copied into a string variable only when
// stored. Offsets into the accumulator are in bytes.
#include <windows.h>
#include <cstdint>

struct string_accumulator {
  char* buffer;      // allocated with capacity + 10 bytes
  int64_t offset;    // end of the text being built
  int64_t capacity;
};

extern string_accumulator accumulator;
extern HANDLE string_heap;

void string_library_start();
void string_library_stop();

// Text-producing operations write their result at the offset `at` (normally
// accumulator.offset), terminate it and leave the offset at its end. They
// return the result's address, valid until the next reservation.
wchar_t* reserve_characters(int64_t count, int64_t at);
void give_back_characters(int64_t count);
void append_text(const wchar_t* text);
wchar_t* empty_text_at(int64_t at);
void store_text(wchar_t** variable, int64_t start);
void copy_text(wchar_t** variable, const wchar_t* text);
void free_text(wchar_t* text);
int64_t accumulator_position_of(const void* address);
wchar_t* accumulator_address(int64_t position);
inline wchar_t* accumulator_text(int64_t offset) { return (wchar_t*)(accumulator.buffer + offset); }

// Byte formats of bytes_to_string.
constexpr int text_format_utf8 = 2;
constexpr int text_format_ascii = 24;

int texts_equal(const wchar_t* a, const wchar_t* b);
wchar_t* bytes_to_string(const void* memory, int64_t length, int format, int64_t at);
int64_t string_to_integer(const wchar_t* text);
char* utf8_copy_of(const wchar_t* text);  // free with free()
wchar_t* utf8_to_text(const char* bytes, int64_t at);

// Marks where a text expression starts and puts the accumulator back there
// when the statement is done, so no temporary text outlives it.
class text_scope {
 public:
  text_scope() : start_(accumulator.offset) {}
  ~text_scope() { accumulator.offset = start_; }
  text_scope(const text_scope&) = delete;
  text_scope& operator=(const text_scope&) = delete;
  int64_t start() const { return start_; }
  // The text built since the scope began, zero-terminated.
  const wchar_t* text() const { return accumulator_text(start_); }
  // Moves past the text's zero unit so that a callee building text of its
  // own does not overwrite it.
  const wchar_t* seal() {
    reserve_characters(1, accumulator.offset);
    return text();
  }
 private:
  int64_t start_;
};

// A string variable: owns one block of the string heap, or none (the empty text).
class string_var {
 public:
  string_var() = default;
  ~string_var() { free_text(block_); }
  string_var(const string_var&) = delete;
  string_var& operator=(const string_var&) = delete;
  // Copies the accumulator's text from `start` to the current offset and
  // puts the offset back at `start`.
  void store(int64_t start) { store_text(&block_, start); }
  void assign(const wchar_t* text) {
    int64_t start = accumulator.offset;
    append_text(text);
    store(start);
  }
  const wchar_t* c_str() const { return block_ ? block_ : L""; }
  bool empty() const { return !block_ || !block_[0]; }
 private:
  wchar_t* block_ = nullptr;
};
