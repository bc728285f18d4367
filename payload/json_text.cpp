#include "payload/json_text.h"

#include <cctype>
#include <iterator>
#include <nlohmann/json.hpp>
#include <unordered_map>

namespace {

using json = nlohmann::json;

// Settings are flat and the page API's requests small; the bounds keep
// hostile input off the stack of the writer and of the tree's destruction,
// and a document of a million tiny values from taking memory and time.
constexpr size_t max_depth = 200;
constexpr size_t max_values = 100000;
constexpr char byte_order_mark[] = "\xEF\xBB\xBF";

// A character iterator that notes how far the parser has read, so that the
// text of an integer, which the parser hands over only as a value, can be
// taken from the input as it was written.
struct reading_iterator {
  using iterator_category = std::forward_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;
  const char* at;
  const char** furthest;
  reference operator*() const { return *at; }
  reading_iterator& operator++() {
    if (++at > *furthest) *furthest = at;
    return *this;
  }
  reading_iterator operator++(int) {
    reading_iterator before = *this;
    ++*this;
    return before;
  }
  bool operator==(const reading_iterator& other) const { return at == other.at; }
};

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Where byte `at` of the text lies, as people count: lines break at CR LF,
// CR or LF, columns count characters.
void locate(std::string_view text, size_t at, json_text_error& error) {
  int line = 1, column = 0;
  bool after_cr = false;
  for (size_t i = 0; i < at && i < text.size(); i++) {
    char c = text[i];
    if (c == '\r' || (c == '\n' && !after_cr)) line++, column = 0;
    else if (c != '\n' && ((uint8_t)c & 0xC0) != 0x80) column++;
    after_cr = c == '\r';
  }
  error.line = line;
  error.column = column + 1;
}

class tree_builder : public nlohmann::json_sax<json> {
 public:
  tree_builder(std::string_view text, const char** furthest, json_node& root, json_text_error& error)
      : text_(text), furthest_(furthest), root_(root), error_(error) {}

  bool null() override { return add(json_kind::null, ""); }
  bool boolean(bool value) override { return add(json_kind::boolean, value ? "true" : "false"); }
  bool number_integer(number_integer_t) override { return add(json_kind::number, integer_text()); }
  bool number_unsigned(number_unsigned_t) override { return add(json_kind::number, integer_text()); }
  bool number_float(number_float_t, const string_t& text) override { return add(json_kind::number, text); }
  bool string(string_t& value) override { return add(json_kind::string, value); }
  bool binary(binary_t&) override { return false; }  // not in JSON text
  bool start_object(std::size_t) override { return open(json_kind::object); }
  bool key(string_t& name) override {
    key_ = name;
    return true;
  }
  bool end_object() override { return close(); }
  bool start_array(std::size_t) override { return open(json_kind::array); }
  bool end_array() override { return close(); }
  bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& failure) override {
    // "[json.exception.parse_error.101] parse error at line 1, column 6: <what>; last read: '<bytes>'"
    std::string message = failure.what();
    size_t column = message.find(", column ");
    size_t start = column == std::string::npos ? 0 : message.find(": ", column);
    message = start == std::string::npos ? message : message.substr(start + 2);
    message = message.substr(0, message.find("; last read:"));
    fail(message, position);
    return false;
  }

  bool failed() const { return failed_; }

 private:
  // The integer's token ends where the parser stopped, before the one
  // character past it that ended it (none at the end of the text).
  std::string integer_text() const {
    size_t end = (size_t)(*furthest_ - text_.data());
    if (end > 0 && !is_digit(text_[end - 1])) end--;
    size_t start = end;
    while (start > 0 && is_digit(text_[start - 1])) start--;
    if (start > 0 && text_[start - 1] == '-') start--;
    return std::string(text_.substr(start, end - start));
  }

  void fail(const std::string& message, size_t position) {
    failed_ = true;
    error_.message = message;
    locate(text_, position > 0 ? position - 1 : 0, error_);
  }

  // The new value's place: the root, an array's next item, or the member
  // named by the last key (an earlier member of that name, if there is one,
  // found through the object's index of names: linear time however many).
  json_node& place() {
    if (open_.empty()) return root_;
    json_node& parent = *open_.back();
    if (parent.kind == json_kind::array) return parent.items.emplace_back();
    auto [at, fresh] = names_.back().emplace(key_, parent.members.size());
    if (!fresh) return parent.members[at->second].second = {};
    return parent.members.emplace_back(key_, json_node{}).second;
  }

  bool counted() {
    if (++values_ <= max_values) return true;
    fail("more than " + std::to_string(max_values) + " values", (size_t)(*furthest_ - text_.data()));
    return false;
  }

  bool add(json_kind kind, const std::string& text) {
    if (!counted()) return false;
    json_node& node = place();
    node.kind = kind;
    node.text = text;
    return true;
  }

  bool open(json_kind kind) {
    if (open_.size() >= max_depth) {
      fail("too deeply nested", (size_t)(*furthest_ - text_.data()));
      return false;
    }
    if (!counted()) return false;
    json_node& node = place();
    node.kind = kind;
    open_.push_back(&node);
    names_.emplace_back();
    return true;
  }

  bool close() {
    open_.pop_back();
    names_.pop_back();
    return true;
  }

  std::string_view text_;
  const char** furthest_;
  json_node& root_;
  json_text_error& error_;
  std::string key_;
  // The objects and arrays being filled; a node's children do not move
  // while it is open, since only its last child is ever added to.
  std::vector<json_node*> open_;
  std::vector<std::unordered_map<std::string, size_t>> names_;  // each open object's members by name
  size_t values_ = 0;
  bool failed_ = false;
};

}  // namespace

bool parse_json_text(std::string_view text, json_node& root, json_text_error& error) {
  root = {};
  error = {};
  if (text.starts_with(byte_order_mark)) {
    error = {"a byte-order mark, which the launcher reads as a character", 1, 1};
    return false;
  }
  const char* furthest = text.data();
  tree_builder builder(text, &furthest, root, error);
  reading_iterator first{text.data(), &furthest}, last{text.data() + text.size(), &furthest};
  bool parsed = json::sax_parse(first, last, &builder);
  if (!parsed && !builder.failed()) error = {"the text does not parse", 1, 1};
  if (!parsed) root = {};
  return parsed;
}

const json_node* json_member_of(const json_node& object, std::string_view name) {
  for (const auto& [member_name, member] : object.members) {
    if (member_name == name) return &member;
  }
  return nullptr;
}

std::string json_quoted(std::string_view text) {
  return json(std::string(text)).dump(-1, ' ', false, json::error_handler_t::replace);
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

namespace {

// launcher.exe's grammar over the bytes; the units it would decode them to
// differ from them only inside strings, where any unit but the quote mark
// and the backslash is taken as it is.
class windows_grammar {
 public:
  explicit windows_grammar(std::string_view text) : text_(text) {}

  bool whole() { return value(0) && (skip(), at_ == text_.size()); }

 private:
  static constexpr int deepest = 512;

  void skip() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
      at_++;
  }
  bool take(char c) { return at_ < text_.size() && text_[at_] == c && (at_++, true); }
  bool digits() {
    size_t start = at_;
    while (at_ < text_.size() && is_digit(text_[at_])) at_++;
    return at_ > start;
  }
  bool literal(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }
  bool string() {
    while (at_ < text_.size()) {
      char c = text_[at_++];
      if (c == '"') return true;
      if (c != '\\') continue;
      if (at_ >= text_.size()) return false;
      char escape = text_[at_++];
      if (escape == 'u') {
        for (int i = 0; i < 4; i++, at_++)
          if (at_ >= text_.size() || !std::isxdigit((unsigned char)text_[at_])) return false;
      } else if (std::string_view("\"\\/bfnrt").find(escape) == std::string_view::npos) {
        return false;
      }
    }
    return false;
  }
  bool number() {
    take('-');
    if (!digits()) return false;
    if (take('.') && !digits()) return false;
    if (take('e') || take('E')) {
      if (!take('+')) take('-');
      if (!digits()) return false;
    }
    return true;
  }
  bool items(int depth, char close, bool named) {
    skip();
    if (take(close)) return true;
    for (;;) {
      skip();
      if (named) {
        if (!take('"') || !string()) return false;
        skip();
        if (!take(':')) return false;
      }
      if (!value(depth + 1)) return false;
      skip();
      if (take(close)) return true;
      if (!take(',')) return false;
    }
  }
  bool value(int depth) {
    if (depth > deepest) return false;
    skip();
    if (at_ >= text_.size()) return false;
    char c = text_[at_];
    if (c == '"') return ++at_, string();
    if (c == '-' || is_digit(c)) return number();
    if (c == '[' || c == '{') return ++at_, items(depth, c == '[' ? ']' : '}', c == '{');
    return literal("true") || literal("false") || literal("null");
  }

  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace

bool windows_launcher_reads_json(std::string_view text) { return windows_grammar(text).whole(); }
