#pragma once
// What the packer reads of an index.html (its module scripts, its title),
// read as a browser tokenizes it only as far as that needs: tag names in
// any letter case, comments and the text of script elements passed over.
#include <string_view>

inline bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

inline char lower(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

inline bool same_letters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Where the next occurrence of word starts, in any letter case, or npos.
size_t find_letters(std::string_view text, std::string_view word, size_t from);

// Where the next start tag of that name begins ("<title", "<SCRIPT "),
// outside comments and script text, or npos.
size_t find_tag(std::string_view html, std::string_view name, size_t from);
