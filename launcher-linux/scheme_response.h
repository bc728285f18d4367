#pragma once
// The answers of the app's URI scheme, given as a web server gives them,
// whatever the body is read from: a status, and as headers the body's
// Content-Type and Content-Length and the app's origin as the one allowed
// to read it. The page's scripts see those headers (fetch's
// response.headers, WebAssembly's streaming compile, which insists on
// application/wasm), and WebKit checks module scripts, workers and fetch of
// the scheme as it checks requests to another site.
#include <cstdint>
#include <string>
#include <string_view>

#include <webkit2/webkit2.h>

// The type the file is served with: the shared table's, else what the
// system's MIME database guesses from the name, else application/octet-stream.
std::string served_content_type(std::string_view file_name);

// Answers with the body, whose `length` bytes the stream gives (the answer
// takes the stream over): 200, or 206 with the part's Content-Range. For a
// HEAD request the stream is dropped and only the headers go, with the
// length the body would have.
struct scheme_answer {
  int status = 200;
  std::string content_range;
  bool head = false;
};
void answer_with_body(WebKitURISchemeRequest* request, const std::string& origin, GInputStream* body, int64_t length,
                      const std::string& content_type, const scheme_answer& how = {});

// Answers 404 with an empty body: what is missing, and what is not served.
void answer_not_found(WebKitURISchemeRequest* request, const std::string& origin);
// Answers 416 for a range past the end, with the file's size.
void answer_range_not_satisfiable(WebKitURISchemeRequest* request, const std::string& origin,
                                  const std::string& content_range);
