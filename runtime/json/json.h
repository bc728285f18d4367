#pragma once
// JSON documents: a UTF-16 text parsed into a tree of values and filed under
// an object number, then read back by member name and string content.
#include <cstdint>

#include "runtime/core/containers.h"
#include "runtime/core/registry.h"

constexpr int32_t json_kind_null = 0;
constexpr int32_t json_kind_string = 1;
constexpr int32_t json_kind_number = 2;
constexpr int32_t json_kind_boolean = 3;
constexpr int32_t json_kind_array = 4;
constexpr int32_t json_kind_object = 5;

// Number forms of a kind-2 value.
constexpr uint16_t json_integer = 0;
constexpr uint16_t json_float = 1;

// Document flag: member names compared without regard to case. The only flag
// parse_json_source looks at.
constexpr uint16_t json_names_ignore_case = 2;

struct json_value {
  int32_t kind;
  uint16_t number_form;
  uint16_t flags;  // survives clearing and re-setting
  union {
    int64_t integer;
    double real;
    wchar_t* text;  // the value's own heap copy; none for the empty string
    int64_t boolean;
    linked_list* elements;
    hash_map* members;
  } payload;
};

// A document's registry record: live while it holds a root.
struct json_document {
  json_value* root;
};

// Outcome of the most recent parse: an empty message with line and column -1
// after a success, the first error otherwise.
struct json_error_record {
  char message[100];
  int32_t line;
  int32_t column;
};

extern registry* json_registry;
extern json_error_record* json_error;

void json_library_start();
void json_library_stop();
void release_json_document(int64_t number);

// Next UTF-16 unit of a source, 0 at (and ever after) the end of the input.
using json_read_function = wchar_t (*)(void* source);

// Non-zero on success (for any_number the new document's identifier), 0 on
// failure, which leaves any document already under the number untouched.
int64_t parse_json(int64_t number, const wchar_t* text);
int64_t parse_json_source(int64_t number, void* source, json_read_function read, int32_t flags);
// The source of parse_json: source is a pointer to a const wchar_t* cursor.
wchar_t read_text_unit(void* cursor);

json_value* json_root(int64_t number);
json_value* json_member(const json_value* value, const wchar_t* name);
wchar_t* json_string(const json_value* value, int64_t at);

// ---- values ---------------------------------------------------------------
// A value owns its payload; every setter clears the old one first. Setters
// that allocate return 0 when memory is short and leave the value null.
void clear_value(json_value* value);
void free_value(json_value* value);
void set_null(json_value* value);
void set_boolean(json_value* value, int64_t flag);
void set_integer(json_value* value, int64_t number);
void set_float(json_value* value, double number);
int set_string(json_value* value, const wchar_t* text);
int make_array(json_value* value);
int make_object(json_value* value);
json_value* append_element(json_value* array);
json_value* add_member(json_value* object, const wchar_t* name);
json_value* find_member(hash_map* members, const wchar_t* name);
