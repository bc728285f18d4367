#include "json_reader.h"

#include <cstdint>

namespace {

constexpr int32_t end_of_input = -1;
// Settings are flat; the bound only keeps hostile input off the stack.
constexpr int max_depth = 200;

void append_utf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += (char)c;
  } else if (c < 0x800) {
    out += (char)(0xC0 | (c >> 6));
    out += (char)(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += (char)(0xE0 | (c >> 12));
    out += (char)(0x80 | ((c >> 6) & 0x3F));
    out += (char)(0x80 | (c & 0x3F));
  } else {
    out += (char)(0xF0 | (c >> 18));
    out += (char)(0x80 | ((c >> 12) & 0x3F));
    out += (char)(0x80 | ((c >> 6) & 0x3F));
    out += (char)(0x80 | (c & 0x3F));
  }
}

int hex_value(int32_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool is_digit(int32_t c) { return c >= '0' && c <= '9'; }

class parser {
 public:
  parser(std::string_view text, json_text_error& error) : text_(text), error_(error) {}

  bool document(json_node& root) {
    value(root, next_non_white(false), 0);
    if (!failed_ && next_non_white(true) != end_of_input) fail("Unexpected character");
    return !failed_;
  }

 private:
  // Decodes one UTF-8 character; -2 for a malformed sequence.
  int32_t decode() {
    int length = utf8_sequence_length(text_, at_);
    if (length == 0) return -2;
    auto b = (uint8_t)text_[at_];
    uint32_t c = length == 1 ? b : b & (0x7F >> length);
    for (int i = 1; i < length; i++) c = (c << 6) | ((uint8_t)text_[at_ + i] & 0x3F);
    at_ += length;
    return (int32_t)c;
  }

  int32_t next(bool end_allowed) {
    if (failed_) return end_of_input;
    if (at_ >= text_.size()) {
      if (!end_allowed) fail("Unexpected end of input");
      return end_of_input;
    }
    int32_t c = decode();
    if (c == '\r') {
      line_++, column_ = 0, cr_pending_ = true;
    } else if (c == '\n') {
      if (!cr_pending_) line_++, column_ = 0;
      cr_pending_ = false;
    } else {
      column_++, cr_pending_ = false;
    }
    if (c == -2) {
      fail("Invalid UTF-8");
      return end_of_input;
    }
    return c;
  }

  int32_t peek() {
    if (failed_ || at_ >= text_.size()) return end_of_input;
    size_t at = at_;
    int32_t c = decode();
    at_ = at;
    return c;
  }

  int32_t next_non_white(bool end_allowed) {
    for (;;) {
      int32_t c = next(end_allowed);
      if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return c;
    }
  }

  void fail(const char* message) {
    if (failed_) return;
    failed_ = true;
    error_ = {message, line_, column_ == 0 ? 1 : column_};
  }

  void value(json_node& node, int32_t c, int depth) {
    if (failed_) return;
    if (depth > max_depth) return fail("Too deeply nested");
    if (c == '"') {
      node.kind = json_kind::string;
      string_token(node.text);
    } else if (c == '-' || is_digit(c)) {
      number(node, c);
    } else if (c == '[') {
      array(node, depth);
    } else if (c == '{') {
      object(node, depth);
    } else if (c == 't' || c == 'f' || c == 'n') {
      literal(node, c == 't' ? "true" : c == 'f' ? "false" : "null");
    } else {
      fail("Unexpected character");
    }
  }

  void literal(json_node& node, std::string_view word) {
    for (char expected : word.substr(1)) {
      if (next(false) != expected) return fail("Unexpected character");
    }
    node.kind = word == "null" ? json_kind::null : json_kind::boolean;
    if (node.kind == json_kind::boolean) node.text = word;
  }

  void string_token(std::string& out) {
    uint32_t high_surrogate = 0;
    for (;;) {
      int32_t c = next(false);
      if (failed_) return;
      if (c == '"') break;
      uint32_t unit = (uint32_t)c;
      if (c == '\\') {
        int32_t e = next(false);
        switch (e) {
          case '"': case '/': case '\\': unit = (uint32_t)e; break;
          case 'b': unit = 8; break;
          case 'f': unit = 12; break;
          case 'n': unit = 10; break;
          case 'r': unit = 13; break;
          case 't': unit = 9; break;
          case 'u': unit = hex_unit(); break;
          default: return fail("Invalid escape sequence");
        }
        if (failed_) return;
      }
      if (high_surrogate && unit >= 0xDC00 && unit <= 0xDFFF) {
        append_utf8(out, 0x10000 + ((high_surrogate - 0xD800) << 10) + (unit - 0xDC00));
        high_surrogate = 0;
        continue;
      }
      if (high_surrogate) append_utf8(out, high_surrogate);
      high_surrogate = unit >= 0xD800 && unit <= 0xDBFF ? unit : 0;
      if (!high_surrogate) append_utf8(out, unit);
    }
    if (high_surrogate) append_utf8(out, high_surrogate);
  }

  uint32_t hex_unit() {
    uint32_t unit = 0;
    for (int i = 0; i < 4 && !failed_; i++) {
      int digit = hex_value(next(false));
      if (digit < 0 && !failed_) fail("Invalid escape sequence");
      unit = unit * 16 + (uint32_t)digit;
    }
    return unit;
  }

  // Digits from c on; the character after them is left unread.
  void digits(std::string& token, int32_t c) {
    if (!is_digit(c)) return fail("Invalid numeric value");
    token += (char)c;
    while (is_digit(peek())) token += (char)next(true);
  }

  void number(json_node& node, int32_t c) {
    node.kind = json_kind::number;
    std::string& token = node.text;
    if (c == '-') {
      token += '-';
      c = next(false);
    }
    digits(token, c);
    if (!failed_ && peek() == '.') {
      token += (char)next(true);
      digits(token, next(false));
    }
    if (!failed_ && (peek() == 'e' || peek() == 'E')) {
      token += (char)next(true);
      c = next(false);
      if (c == '+' || c == '-') token += (char)c, c = next(false);
      digits(token, c);
    }
  }

  void array(json_node& node, int depth) {
    node.kind = json_kind::array;
    int32_t c = next_non_white(false);
    if (c == ']') return;
    while (!failed_) {
      node.items.emplace_back();
      value(node.items.back(), c, depth + 1);
      c = next_non_white(false);
      if (c == ']') return;
      if (c != ',') return fail("Unexpected character");
      c = next_non_white(false);
    }
  }

  void object(json_node& node, int depth) {
    node.kind = json_kind::object;
    int32_t c = next_non_white(false);
    if (c == '}') return;
    while (!failed_) {
      if (c != '"') return fail("A member name (string) is expected");
      std::string name;
      string_token(name);
      if (next_non_white(false) != ':') return fail("Expected a ':' character");
      json_node member;
      value(member, next_non_white(false), depth + 1);
      if (failed_) return;
      auto* same = const_cast<json_node*>(json_member_of(node, name));
      if (same)
        *same = std::move(member);
      else
        node.members.emplace_back(std::move(name), std::move(member));
      c = next_non_white(false);
      if (c == '}') return;
      if (c != ',') return fail("Unexpected character");
      c = next_non_white(false);
    }
  }

  std::string_view text_;
  json_text_error& error_;
  size_t at_ = 0;
  int line_ = 1;
  int column_ = 0;
  bool cr_pending_ = false;
  bool failed_ = false;
};

}  // namespace

int utf8_sequence_length(std::string_view text, size_t at) {
  if (at >= text.size()) return 0;
  auto b = (uint8_t)text[at];
  int length = b < 0x80 ? 1 : b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
  if (length == 0 || at + length > text.size()) return 0;
  // The second byte's range depends on the first; the rest are 80-BF.
  uint8_t low = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
  uint8_t high = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
  for (int i = 1; i < length; i++) {
    auto more = (uint8_t)text[at + i];
    if (i == 1 ? more < low || more > high : (more & 0xC0) != 0x80) return 0;
  }
  return length;
}

bool parse_json_text(std::string_view text, json_node& root, json_text_error& error) {
  root = {};
  error = {};
  return parser(text, error).document(root);
}

const json_node* json_member_of(const json_node& object, std::string_view name) {
  for (const auto& [member_name, member] : object.members) {
    if (member_name == name) return &member;
  }
  return nullptr;
}

std::string json_quoted(std::string_view text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); i++) {
    auto c = (uint8_t)text[i];
    // A lone surrogate kept from an escape goes back out as an escape.
    if (c == 0xED && i + 2 < text.size() && ((uint8_t)text[i + 1] & 0xE0) == 0xA0) {
      uint32_t unit = 0xD000 | (((uint8_t)text[i + 1] & 0x3F) << 6) | ((uint8_t)text[i + 2] & 0x3F);
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += hex[(unit >> shift) & 15];
      i += 2;
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += (char)c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20) {
      out += "\\u00";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += (char)c;
    }
  }
  return out + "\"";
}

std::string json_compact(const json_node& value) {
  switch (value.kind) {
    case json_kind::null: return "null";
    case json_kind::string: return json_quoted(value.text);
    case json_kind::number:
    case json_kind::boolean: return value.text;
    case json_kind::array: {
      std::string out = "[";
      for (const auto& item : value.items) {
        if (out.size() > 1) out += ',';
        out += json_compact(item);
      }
      return out + "]";
    }
    case json_kind::object: {
      std::string out = "{";
      for (const auto& [name, member] : value.members) {
        if (out.size() > 1) out += ',';
        out += json_quoted(name);
        out += ':';
        out += json_compact(member);
      }
      return out + "}";
    }
  }
  return "null";
}
