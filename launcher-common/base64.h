#pragma once
// Binary data as the page and the launcher pass it in JSON text: the
// standard alphabet with padding, and nothing else read back (no spaces,
// no line breaks, no URL-safe letters), so that one text means one content.
#include <cstddef>
#include <string>
#include <string_view>

std::string base64_encoded(std::string_view bytes);
// False for a text that is not base64 as base64_encoded writes it.
bool base64_decoded(std::string_view text, std::string& bytes);
// How many bytes a text of this length holds at most.
inline size_t base64_decoded_size_at_most(size_t length) { return length / 4 * 3; }
