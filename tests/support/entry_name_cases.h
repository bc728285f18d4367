#pragma once
// One table of archive entry names and what becomes of each in a launcher's
// folder. The payload library's rule, the packer's refusal, --inspect's
// report and a real launcher process must all give this answer. Builds on
// Windows and on Linux.
#include <string>
#include <vector>

#include "payload/entry_names.h"

enum class name_outcome {
  unpacked,   // the launcher writes it where the name says
  skipped,    // the launcher's rule skips it (verdict says why)
  too_long,   // unpacked only under a short temporary folder: not under one of 80 units
  case_twin,  // the same file on Windows as the row before it
};

struct entry_name_case {
  std::string name;  // UTF-8, as the archive holds it
  entry_name_verdict verdict;
  name_outcome outcome;
  // The file or folder a Linux folder holds for it and the packer names,
  // "" when a folder cannot hold it as a name of its own.
  std::string on_disk;
};

inline std::vector<entry_name_case> entry_name_cases() {
  using v = entry_name_verdict;
  using o = name_outcome;
  std::string deep, long_name(longest_entry_name - 5, 'n');
  for (int i = 0; i < 30; i++) deep.append("d").append(std::to_string(i)).append("/");
  return {
      {"index.html", v::unpacked, o::unpacked, "index.html"},
      {"css/", v::unpacked, o::unpacked, "css/"},
      {"css/site.css", v::unpacked, o::unpacked, "css/site.css"},
      {"./app.js", v::unpacked, o::unpacked, "app.js"},
      {"js\\lib.js", v::unpacked, o::unpacked, ""},
      {"a//b.txt", v::unpacked, o::unpacked, "a/b.txt"},
      {".well-known/x.json", v::unpacked, o::unpacked, ".well-known/x.json"},
      {"console.js", v::unpacked, o::unpacked, "console.js"},
      {"com10.txt", v::unpacked, o::unpacked, "com10.txt"},
      {"lpt.txt", v::unpacked, o::unpacked, "lpt.txt"},
      {"con-x/y.txt", v::unpacked, o::unpacked, "con-x/y.txt"},
      {"sub/webapp.zip", v::unpacked, o::unpacked, "sub/webapp.zip"},
      {"webapp.zip.bak", v::unpacked, o::unpacked, "webapp.zip.bak"},
      {"caf\xC3\xA9 \xE6\x97\xA5\xF0\x9F\x98\x80.txt", v::unpacked, o::unpacked,
       "caf\xC3\xA9 \xE6\x97\xA5\xF0\x9F\x98\x80.txt"},
      {deep + "deep.txt", v::unpacked, o::unpacked, deep + "deep.txt"},
      {"long/" + long_name, v::unpacked, o::unpacked, "long/" + long_name},
      {"longer/" + std::string(200, 'n'), v::unpacked, o::too_long, "longer/" + std::string(200, 'n')},
      {"img/Logo.png", v::unpacked, o::unpacked, "img/Logo.png"},
      {"img/logo.png", v::unpacked, o::case_twin, "img/logo.png"},
      {"img/\xC3\x89t\xC3\xA9.png", v::unpacked, o::unpacked, "img/\xC3\x89t\xC3\xA9.png"},
      {"img/\xC3\xA9T\xC3\x89.png", v::unpacked, o::case_twin, "img/\xC3\xA9T\xC3\x89.png"},
      // A folder and a file: Windows keeps only the one made first.
      {"Assets/", v::unpacked, o::unpacked, "Assets/"},
      {"assets", v::unpacked, o::case_twin, "assets"},
      {"aux.js", v::device, o::skipped, "aux.js"},
      {"COM1.css", v::device, o::skipped, "COM1.css"},
      {"lpt9", v::device, o::skipped, "lpt9"},
      {"nul .txt", v::device, o::skipped, "nul .txt"},
      {"COM\xC2\xB9", v::device, o::skipped, "COM\xC2\xB9"},
      {"conin$", v::device, o::skipped, "conin$"},
      {"a.", v::dot_or_space, o::skipped, "a."},
      {"b ", v::dot_or_space, o::skipped, "b "},
      {"c /d.txt", v::dot_or_space, o::skipped, "c /"},
      {"x/../y", v::parent, o::skipped, ""},
      {"../escape.txt", v::parent, o::skipped, ""},
      {"C:x", v::colon, o::skipped, "C:x"},
      {"index.html:stream", v::colon, o::skipped, "index.html:stream"},
      {"\\\\srv\\s", v::absolute, o::skipped, "\\\\srv\\s"},
      {"/etc/x", v::absolute, o::skipped, ""},
      {"Webapp.ZIP", v::launcher_file, o::skipped, "Webapp.ZIP"},
      {"./webapp.lock", v::launcher_file, o::skipped, "webapp.lock"},
      {"webapp.zip/", v::launcher_file, o::skipped, "webapp.zip/"},
  };
}
