#include "updates/version_order.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct version {
  uint64_t numbers[4] = {};
  std::vector<std::string_view> pre_release;
};

bool all_digits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::optional<version> read_version(std::string_view text) {
  version v;
  text = text.substr(0, text.find('+'));
  size_t dash = text.find('-');
  std::string_view numbers = text.substr(0, dash);
  for (int part = 0;; part++) {
    std::string_view number = numbers.substr(0, numbers.find('.'));
    if (part == 4 || !all_digits(number) || number.size() > 9) return std::nullopt;
    v.numbers[part] = std::stoull(std::string(number));
    if (number.size() == numbers.size()) break;
    numbers.remove_prefix(number.size() + 1);
  }
  if (dash == text.npos) return v;
  std::string_view rest = text.substr(dash + 1);
  while (true) {
    std::string_view field = rest.substr(0, rest.find('.'));
    if (field.empty() || field.find_first_not_of("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ-") !=
                             std::string_view::npos)
      return std::nullopt;
    v.pre_release.push_back(field);
    if (field.size() == rest.size()) return v;
    rest.remove_prefix(field.size() + 1);
  }
}

int sign_of(int64_t difference) { return difference < 0 ? -1 : difference > 0; }

// Numeric fields by their value and before words; words as ASCII text.
int field_order(std::string_view a, std::string_view b) {
  bool numeric_a = all_digits(a), numeric_b = all_digits(b);
  if (numeric_a && numeric_b)
    return a.size() != b.size() ? sign_of((int64_t)a.size() - (int64_t)b.size()) : sign_of(a.compare(b));
  if (numeric_a != numeric_b) return numeric_a ? -1 : 1;
  return sign_of(a.compare(b));
}

}  // namespace

std::optional<int> version_order(std::string_view a_text, std::string_view b_text) {
  std::optional<version> a = read_version(a_text), b = read_version(b_text);
  if (!a || !b) return std::nullopt;
  for (int i = 0; i < 4; i++)
    if (a->numbers[i] != b->numbers[i]) return a->numbers[i] < b->numbers[i] ? -1 : 1;
  // A pre-release comes before its release.
  if (a->pre_release.empty() != b->pre_release.empty()) return a->pre_release.empty() ? 1 : -1;
  for (size_t i = 0; i < a->pre_release.size() && i < b->pre_release.size(); i++)
    if (int order = field_order(a->pre_release[i], b->pre_release[i])) return order;
  return sign_of((int64_t)a->pre_release.size() - (int64_t)b->pre_release.size());
}
