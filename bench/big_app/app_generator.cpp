#include "app_generator.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct random_numbers {
  uint64_t state = 0x9E3779B97F4A7C15u;
  uint32_t next() {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return (uint32_t)(state >> 33);
  }
  uint64_t between(uint64_t low, uint64_t high) { return low + next() % (high - low + 1); }
};

// Lines of words of code, most of them from a pool that files share, as
// bundles repeat their idioms: it deflates about as well as minified code.
class code_writer {
 public:
  explicit code_writer(random_numbers& random) : random_(random) {
    for (int i = 0; i < 160; i++) pool_.push_back(line());
  }
  std::string text(uint64_t size) {
    std::string text;
    text.reserve(size + 256);
    while (text.size() < size) text += random_.next() % 8 ? pool_[random_.next() % pool_.size()] : line();
    text.resize(size);
    return text;
  }

 private:
  std::string line() {
    static const char* const words[] = {"function", "return", "const", "let", "if", "else", "for", "while",
                                        "document", "window", "element", "style", "class", "import", "export",
                                        "=>", "{", "}", "(", ")", ";", "value", "index", "this", "new", "await",
                                        "async", "null", "true", "length", "push", "map", "filter", "props",
                                        "state", "render", "0", "1", "e", "t", "n", "r", "i", "o"};
    std::string text;
    for (uint64_t words_left = random_.between(6, 24); words_left > 0; words_left--) {
      text += words[random_.next() % (sizeof words / sizeof *words)];
      text += random_.next() % 4 ? ' ' : '.';
      if (random_.next() % 32 == 0) text += std::to_string(random_.next() % 1000);
    }
    return text + "\n";
  }
  random_numbers& random_;
  std::vector<std::string> pool_;
};

std::string random_bytes(random_numbers& random, uint64_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
    uint32_t word = random.next();
    for (int k = 0; k < 4; k++) bytes[i + k] = (char)(word >> (8 * k));
  }
  return bytes;
}

void write(const fs::path& path, const std::string& bytes, generated_app& app) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
  app.files++;
  app.bytes += bytes.size();
}

const char page[] =
    "<!doctype html><meta charset=utf-8><title>Big app</title>"
    "<style>html{height:100%;background:#f00}body{margin:0}</style>"
    "<script src=js/first.js></script><script type=module src=js/main.js></script>";
const char first_script[] = "document.documentElement.style.background = '#00ff00';\n";
const char main_module[] =
    "import { sum } from './lib/util.js';\n"
    "const config = await (await fetch('data/config.json')).json();\n"
    "const worker = new Worker('js/worker.js');\n"
    "worker.onmessage = (e) => { document.title = 'ready ' + sum(config.numbers) + ' ' + e.data; };\n"
    "worker.postMessage(config.numbers.length);\n";
const char util_module[] = "export const sum = (numbers) => numbers.reduce((a, b) => a + b, 0);\n";
const char worker_script[] = "onmessage = (e) => postMessage(e.data * 2);\n";
const char config_json[] = "{\"numbers\": [1, 2, 3, 4]}\n";

const char* const text_kinds[] = {"js", "js", "js", "mjs", "css", "json", "map", "html"};
const char* const binary_kinds[] = {"png", "jpg", "webp", "woff2", "wasm", "ico"};

}  // namespace

generated_app generate_app(const fs::path& root, uint64_t files, uint64_t bytes) {
  std::error_code ignored;
  fs::remove_all(root, ignored);
  generated_app app;
  for (auto [name, text] : {std::pair{"index.html", page}, {"js/first.js", first_script}, {"js/main.js", main_module},
                            {"js/lib/util.js", util_module}, {"js/worker.js", worker_script},
                            {"data/config.json", config_json}})
    write(root / name, text, app);
  random_numbers random;
  code_writer code(random);
  // A fifth of the bytes, in a fifth of the files, do not compress; a few
  // of them are large, as media and WebAssembly are.
  const uint64_t rest = files > app.files ? files - app.files : 0;
  const uint64_t binary_files = rest / 5, text_files = rest - binary_files;
  const uint64_t large_files = binary_files >= 40 ? 4 : 0, large_size = bytes / 50;
  const uint64_t binary_bytes = bytes / 5 - large_files * large_size, text_bytes = bytes - bytes / 5;
  for (uint64_t i = 0; i < rest; i++) {
    bool binary = i % 5 == 4 && i / 5 < binary_files;
    uint64_t average = binary ? binary_bytes / std::max<uint64_t>(binary_files - large_files, 1)
                              : text_bytes / std::max<uint64_t>(text_files, 1);
    uint64_t size = binary && i / 5 < large_files ? large_size : random.between(average / 4, average * 7 / 4);
    const char* kind = binary ? binary_kinds[random.next() % 6] : text_kinds[random.next() % 8];
    std::string package = "node_modules/pkg" + std::to_string(i % 211);
    std::string folder = package + (i % 3 ? "/dist/esm/internal/" : "/lib/") + "part" + std::to_string(i % 7);
    fs::path path = root / folder / ("file" + std::to_string(i) + "." + kind);
    write(path, binary ? random_bytes(random, size) : code.text(size), app);
  }
  return app;
}
