#pragma once
// The order of app versions, as semantic versioning has it: numbers first
// (1.2 is 1.2.0, and a fourth number counts after the third), then a version
// with a pre-release part ("2.0.0-beta.2") before the same without one;
// build metadata after "+" does not count.
#include <optional>
#include <string_view>

// Less than 0, 0 or more than 0 as a is before, the same as or after b;
// none when either is no version.
std::optional<int> version_order(std::string_view a, std::string_view b);
