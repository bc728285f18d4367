#pragma once
// A request for part of a served file, answered as a web server answers it:
// one range of "Range: bytes=...", the start and length it names within a
// file of `size` bytes, 206 with a Content-Range; a range that starts past
// the end, 416; anything else (no header, several ranges, another unit, a
// range that reads otherwise) the whole file, 200. Media elements seek
// through such requests. Both launchers serve their app's host by it.
#include <cstdint>
#include <string>
#include <string_view>

struct served_range {
  int status = 200;  // 200, 206 or 416
  uint64_t start = 0, length = 0;
  std::string content_range;  // the header's value for 206 and 416
};

inline served_range range_of(std::string_view header, uint64_t size) {
  served_range whole{200, 0, size, ""};
  auto trim = [](std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
  };
  header = trim(header);
  if (!header.starts_with("bytes=")) return whole;
  std::string_view asked = trim(header.substr(6));
  size_t dash = asked.find('-');
  if (dash == asked.npos || asked.find_first_not_of("0123456789-") != asked.npos || asked.find('-', dash + 1) != asked.npos)
    return whole;
  auto number = [](std::string_view digits, uint64_t& value) {
    if (digits.empty() || digits.size() > 18) return false;
    value = 0;
    for (char c : digits) value = value * 10 + (uint64_t)(c - '0');
    return true;
  };
  uint64_t first = 0, last = 0;
  bool has_first = number(asked.substr(0, dash), first), has_last = number(asked.substr(dash + 1), last);
  if (!has_first && !has_last) return whole;
  if (!has_first) {  // the last `last` bytes
    if (last == 0) return {416, 0, 0, "bytes */" + std::to_string(size)};
    first = last >= size ? 0 : size - last;
    last = size ? size - 1 : 0;
  } else if (!has_last || last >= size) {
    last = size ? size - 1 : 0;
  } else if (last < first) {
    return whole;
  }
  if (first >= size) return {416, 0, 0, "bytes */" + std::to_string(size)};
  return {206, first, last - first + 1,
          "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" + std::to_string(size)};
}
