#include "nearest_name.h"

#include <algorithm>

namespace {

// Lower case, without the hyphens and underscores that separate words in
// one spelling and not in another: "--Virtual-Host", "virtualHost" and
// "virtual_host" compare equal.
std::string folded(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c == '-' || c == '_') continue;
    out += c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
  }
  return out;
}

// Edits that turn a into b, a swap of two neighbours counting as one.
size_t edit_distance(const std::string& a, const std::string& b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); i++) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); j++) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); i++) {
    for (size_t j = 1; j <= b.size(); j++) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

}  // namespace

std::string nearest_name(std::string_view given, const std::vector<name_choice>& choices) {
  std::string want = folded(given);
  if (want.empty()) return {};
  // Short names allow fewer slips: "-x" is near everything otherwise.
  size_t allowed = want.size() <= 4 ? 1 : want.size() <= 8 ? 2 : 3;
  const name_choice* best = nullptr;
  size_t best_distance = allowed + 1;
  for (const auto& choice : choices) {
    size_t distance = edit_distance(want, folded(choice.match));
    if (distance < best_distance) best = &choice, best_distance = distance;
  }
  if (best) return best->offered;
  // "version" for "appVersion", "minimize" for "noMinimize": the shortest
  // name that holds it.
  if (want.size() < 4) return {};
  for (const auto& choice : choices) {
    std::string name = folded(choice.match);
    if (name.find(want) != std::string::npos && (!best || name.size() < folded(best->match).size())) best = &choice;
  }
  return best ? best->offered : std::string();
}
