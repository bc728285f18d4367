// The content types both launchers serve the app's files with.
#include <gtest/gtest.h>

#include <string>

#include "payload/content_types.h"

namespace {

TEST(ContentTypes, ByTheLastPartsExtensionInAnyCase) {
  struct {
    const char* name;
    const char* type;  // nullptr: for the system to guess
  } names[] = {
      {"index.html", "text/html"},           {"assets/index-4f2a.js", "text/javascript"},
      {"worker.MJS", "text/javascript"},     {"probe.wasm", "application/wasm"},
      {"Site.Css", "text/css"},              {"data/openapi.json", "application/json"},
      {"img/logo.svg", "image/svg+xml"},     {"fonts/a.woff2", "font/woff2"},
      {"slides/one.md", "text/markdown"},    {"app.webmanifest", "application/manifest+json"},
      {"archive.tar.gz", nullptr},           {"LICENSE", nullptr},
      {"v1.2/LICENSE", nullptr},             {"v1.2\\LICENSE", nullptr},
      {"trailing.", nullptr},                {"", nullptr},
  };
  for (const auto& n : names) {
    const char* type = known_content_type(n.name);
    EXPECT_EQ(std::string(type ? type : "(none)"), std::string(n.type ? n.type : "(none)")) << n.name;
  }
}

}  // namespace
