#pragma once
// Text from a file being inspected, made safe to print on a terminal: an
// archive's names may hold anything, and a line feed would forge lines of
// the report, an escape sequence rewrite what the terminal shows.
#include <string>
#include <string_view>

// The text with every control character (C0, DEL and C1), every mark that
// breaks a line or turns the direction of text, and every byte that is not
// UTF-8 written as an escape: "\x0a", "\x1b", "\u009b", "\u202e", "\xff".
std::string shown_text(std::string_view text);
// The same for each line of a message of several.
std::string shown_lines(std::string_view text);
