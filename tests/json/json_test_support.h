#pragma once
#include <string>

#include "runtime/core/strings.h"
#include "runtime/json/json.h"

// The text json_string gives for a value, read back from the accumulator.
inline std::wstring string_of(const json_value* value) {
  text_scope scope;
  return json_string(value, scope.start());
}

inline json_value* member_of(int64_t document, const wchar_t* name) {
  return json_member(json_root(document), name);
}
