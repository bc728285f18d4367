#pragma once
// The name someone most likely meant by a mistyped one: the same letters in
// another case or without hyphens, a slip of a letter or two, or a part of
// the name. Offered in messages, never used in its place.
#include <string>
#include <string_view>
#include <vector>

struct name_choice {
  std::string match;    // a name that the given one is compared with
  std::string offered;  // what the message names for it (another name for the same thing, or itself)
};

// The offered name of the nearest choice, or the empty text when none is near.
std::string nearest_name(std::string_view given, const std::vector<name_choice>& choices);
