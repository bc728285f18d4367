#pragma once
// A web app of a chosen number of files and bytes for the big-app benchmark,
// the same bytes every time: a page that is red until its first script paints
// it green, then loads a module that imports another, fetches JSON and starts
// a worker; beside it, the files a bundled app carries, in folders as
// package managers nest them: code, styles and data that compress like real
// ones, and images, fonts and media that do not.
#include <cstdint>
#include <filesystem>

struct generated_app {
  uint64_t files = 0, bytes = 0;
};

// The folder is made afresh.
generated_app generate_app(const std::filesystem::path& root, uint64_t files, uint64_t bytes);
