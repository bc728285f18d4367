// A recursive-descent parser that pulls one UTF-16 unit at a time from its
// source, keeps one unit of pushback and stops at the first error.
#include <windows.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cwchar>

#include "runtime/core/runtime_globals.h"
#include "runtime/core/strings.h"
#include "runtime/json/json.h"

namespace {

constexpr int32_t token_step = 1024;  // units
// Each level of arrays and objects costs a few stack frames; the bound keeps
// any input, however deeply nested, far from the end of the stack.
constexpr int32_t deepest_nesting = 512;

struct json_parse_state {
  void* source;
  json_read_function read;
  wchar_t pushed_back;  // 0: none
  bool carriage_return_pending;
  int32_t line;
  int32_t column;
  bool failed;
  wchar_t* token;
  int32_t token_length;
  int32_t token_capacity;
  int32_t depth;
};

void set_json_error(json_parse_state& state, const char* message) {
  if (state.failed) return;
  state.failed = true;
  json_error->line = state.line;
  json_error->column = state.column ? state.column : 1;
  lstrcpynA(json_error->message, message, sizeof json_error->message);
}

wchar_t next_unit(json_parse_state& state, bool end_allowed) {
  if (state.failed) return 0;
  if (state.pushed_back) {
    wchar_t unit = state.pushed_back;
    state.pushed_back = 0;
    return unit;
  }
  wchar_t unit = state.read(state.source);
  if (unit == L'\r') {
    state.line++;
    state.column = 0;
    state.carriage_return_pending = true;
  } else if (unit == L'\n') {
    // CR LF is one line break, as are a lone CR and a lone LF.
    if (!state.carriage_return_pending) {
      state.line++;
      state.column = 0;
    }
    state.carriage_return_pending = false;
  } else if (unit) {
    state.column++;
    state.carriage_return_pending = false;
  } else if (!end_allowed) {
    set_json_error(state, "Unexpected end of input");
  }
  return unit;
}

wchar_t skip_whitespace(json_parse_state& state, bool end_allowed) {
  wchar_t unit;
  do {
    unit = next_unit(state, end_allowed);
  } while (unit == L'\t' || unit == L'\n' || unit == L'\r' || unit == L' ');
  return state.failed ? 0 : unit;
}

// ---- token buffer ---------------------------------------------------------

bool token_room(json_parse_state& state) {
  if (state.token_length < state.token_capacity) return true;
  // A token longer than the 32-bit length can count is refused like one the
  // heap cannot hold.
  wchar_t* grown = nullptr;
  int32_t capacity = 0;
  if (state.token_capacity <= INT32_MAX - token_step) {
    capacity = state.token_capacity + token_step;
    grown = (wchar_t*)HeapReAlloc(runtime.heap, HEAP_ZERO_MEMORY, state.token, (SIZE_T)capacity * sizeof(wchar_t));
  }
  if (!grown) {
    set_json_error(state, "Out of memory");
    return false;
  }
  state.token = grown;
  state.token_capacity = capacity;
  return true;
}

void token_add(json_parse_state& state, wchar_t unit) {
  if (token_room(state)) state.token[state.token_length++] = unit;
}

// The terminator is written even after a failure; without room for it the
// parse has failed and the token is never read.
void token_end(json_parse_state& state) {
  if (token_room(state)) state.token[state.token_length] = 0;
}

int hex_digit_value(wchar_t unit) {
  if (unit >= L'0' && unit <= L'9') return unit - L'0';
  if (unit >= L'a' && unit <= L'f') return unit - L'a' + 10;
  if (unit >= L'A' && unit <= L'F') return unit - L'A' + 10;
  return -1;
}

wchar_t escaped_unit(json_parse_state& state) {
  wchar_t unit = next_unit(state, false);
  switch (unit) {
    case L'"': case L'/': case L'\\': return unit;
    case L'b': return 8;
    case L'f': return 12;
    case L'n': return 10;
    case L'r': return 13;
    case L't': return 9;
    case L'u': {
      // Surrogates are taken one escape at a time, paired or not.
      wchar_t code = 0;
      for (int i = 0; i < 4 && !state.failed; i++) {
        int digit = hex_digit_value(next_unit(state, false));
        if (digit < 0) set_json_error(state, "Invalid escape sequence");
        code = (wchar_t)(code * 16 + digit);
      }
      return code;
    }
  }
  set_json_error(state, "Invalid escape sequence");
  return 0;
}

// After the opening quote mark. The token may hold a NUL from \u0000; values
// and names made from it end there.
void read_string_token(json_parse_state& state) {
  state.token_length = 0;
  while (!state.failed) {
    wchar_t unit = next_unit(state, false);
    if (unit == L'"' || state.failed) break;
    if (unit == L'\\') unit = escaped_unit(state);
    token_add(state, unit);
  }
  token_end(state);
}

// ---- numbers --------------------------------------------------------------

bool is_digit(wchar_t unit) { return unit >= L'0' && unit <= L'9'; }

wchar_t read_digits(json_parse_state& state, wchar_t unit) {
  if (!is_digit(unit)) {
    set_json_error(state, "Invalid numeric value");
    return 0;
  }
  while (is_digit(unit)) {
    token_add(state, unit);
    unit = next_unit(state, true);
  }
  return unit;
}

double text_to_float(const wchar_t* token) {
  // The decimal point of JSON is '.', whatever the user's locale says.
  setlocale(LC_NUMERIC, "C");
  double number = 0.0;
  // The C library's own scan (msvcrt's _snwscanf): MinGW's C99 swscanf,
  // which the plain name leads to, would bring its whole scanf and
  // floating-point reader (about 40 KB) into every program.
  _snwscanf(token, wcslen(token), L"%lf", &number);
  return number;
}

void parse_number(json_parse_state& state, json_value* value, wchar_t unit) {
  state.token_length = 0;
  bool floating = false;
  if (unit == L'-') {
    token_add(state, unit);
    unit = next_unit(state, false);
  }
  unit = read_digits(state, unit);
  if (unit == L'.') {
    token_add(state, unit);
    floating = true;
    unit = read_digits(state, next_unit(state, false));
  }
  if (unit == L'e' || unit == L'E') {
    token_add(state, unit);
    floating = true;
    unit = next_unit(state, false);
    if (unit == L'+' || unit == L'-') {
      token_add(state, unit);
      unit = next_unit(state, false);
    }
    unit = read_digits(state, unit);
  }
  token_end(state);
  if (state.failed) return;
  // The unit that ended the number belongs to whatever follows it.
  state.pushed_back = unit;
  if (floating) {
    set_float(value, text_to_float(state.token));
  } else {
    set_integer(value, string_to_integer(state.token));
  }
}

// ---- values ---------------------------------------------------------------

void parse_value(json_parse_state& state, json_value* value, wchar_t unit);

// The unit after a literal is left to the caller's next read.
bool expect_literal(json_parse_state& state, const wchar_t* rest) {
  for (; *rest && !state.failed; rest++) {
    wchar_t unit = next_unit(state, false);
    if (!state.failed && unit != *rest) set_json_error(state, "Unexpected character");
  }
  return !state.failed;
}

bool enter_nesting(json_parse_state& state) {
  if (++state.depth <= deepest_nesting) return true;
  set_json_error(state, "Nesting too deep");
  return false;
}

void parse_array(json_parse_state& state, json_value* value) {
  if (!make_array(value)) {
    set_json_error(state, "Out of memory");
    return;
  }
  wchar_t unit = skip_whitespace(state, false);
  if (unit == L']') return;
  while (!state.failed) {
    json_value* element = append_element(value);
    if (!element) {
      set_json_error(state, "Out of memory");
      return;
    }
    parse_value(state, element, unit);
    unit = skip_whitespace(state, false);
    if (unit == L']') return;
    if (unit == L',') {
      unit = skip_whitespace(state, false);
    } else {
      set_json_error(state, "Unexpected character");
    }
  }
}

void parse_object(json_parse_state& state, json_value* value) {
  if (!make_object(value)) {
    set_json_error(state, "Out of memory");
    return;
  }
  wchar_t unit = skip_whitespace(state, false);
  if (unit == L'}') return;
  while (!state.failed) {
    if (unit != L'"') {
      set_json_error(state, "A member name (string) is expected");
      return;
    }
    read_string_token(state);
    if (state.failed) return;
    json_value* member = add_member(value, state.token);
    if (!member) {
      set_json_error(state, "Out of memory");
      return;
    }
    if (skip_whitespace(state, false) != L':') {
      set_json_error(state, "Expected a ':' character");
      return;
    }
    parse_value(state, member, skip_whitespace(state, false));
    unit = skip_whitespace(state, false);
    if (unit == L'}') return;
    if (unit == L',') {
      unit = skip_whitespace(state, false);
    } else {
      set_json_error(state, "Unexpected character");
    }
  }
}

void parse_value(json_parse_state& state, json_value* value, wchar_t unit) {
  if (state.failed) return;
  switch (unit) {
    case L'"':
      read_string_token(state);
      if (!state.failed && !set_string(value, state.token)) set_json_error(state, "Out of memory");
      return;
    case L'[':
    case L'{':
      if (enter_nesting(state)) {
        if (unit == L'[') {
          parse_array(state, value);
        } else {
          parse_object(state, value);
        }
      }
      state.depth--;
      return;
    case L't':
      if (expect_literal(state, L"rue")) set_boolean(value, 1);
      return;
    case L'f':
      if (expect_literal(state, L"alse")) set_boolean(value, 0);
      return;
    case L'n':
      if (expect_literal(state, L"ull")) set_null(value);
      return;
  }
  if (unit == L'-' || is_digit(unit)) {
    parse_number(state, value, unit);
  } else {
    set_json_error(state, "Unexpected character");
  }
}

}  // namespace

wchar_t read_text_unit(void* cursor) {
  auto* position = (const wchar_t**)cursor;
  wchar_t unit = **position;
  if (unit) (*position)++;
  return unit;
}

int64_t parse_json(int64_t number, const wchar_t* text) {
  const wchar_t* cursor = text ? text : L"";
  return parse_json_source(number, &cursor, read_text_unit, 0);
}

int64_t parse_json_source(int64_t number, void* source, json_read_function read, int32_t flags) {
  json_error->message[0] = 0;
  json_error->line = -1;
  json_error->column = -1;
  json_parse_state state = {};
  state.source = source;
  state.read = read;
  state.line = 1;
  state.token = (wchar_t*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, token_step * sizeof(wchar_t));
  if (!state.token) {
    set_json_error(state, "Out of memory");
    return 0;
  }
  state.token_capacity = token_step;
  auto* root = (json_value*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, sizeof(json_value));
  if (!root) {
    set_json_error(state, "Out of memory");
    HeapFree(runtime.heap, 0, state.token);
    return 0;
  }
  root->flags = (uint16_t)(flags & json_names_ignore_case);

  parse_value(state, root, skip_whitespace(state, false));
  if (!state.failed && skip_whitespace(state, true)) set_json_error(state, "Unexpected character");

  // Only a complete tree is filed: a failure leaves the number's old document in place.
  int64_t result = 0;
  if (!state.failed) {
    auto* document = (json_document*)obtain_slot(json_registry, number);
    if (document) {
      document->root = root;
      result = number == any_number ? identifier_of(document) : 1;
    } else {
      set_json_error(state, "Out of memory");
    }
  }
  HeapFree(runtime.heap, 0, state.token);
  if (state.failed) free_value(root);
  return result;
}
