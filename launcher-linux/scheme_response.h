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

// Answers 200 with the body, whose `length` bytes the stream gives; the
// answer takes the stream over.
void answer_with_body(WebKitURISchemeRequest* request, const std::string& origin, GInputStream* body, int64_t length,
                      const std::string& content_type);

// Answers 404 with an empty body: what is missing, and what is not served.
void answer_not_found(WebKitURISchemeRequest* request, const std::string& origin);
