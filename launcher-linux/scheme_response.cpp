#include "launcher-linux/scheme_response.h"

#include <gio/gio.h>

#include "launcher-common/content_types.h"

namespace {

constexpr int status_ok = 200, status_not_found = 404;

void answer(WebKitURISchemeRequest* request, const std::string& origin, int status, GInputStream* body,
            int64_t length, const std::string& content_type, const scheme_answer& how = {}) {
  if (how.head) {
    g_object_unref(body);
    body = g_memory_input_stream_new();
  }
  WebKitURISchemeResponse* response = webkit_uri_scheme_response_new(body, how.head ? 0 : length);
  g_object_unref(body);
  if (status != status_ok) webkit_uri_scheme_response_set_status(response, status, nullptr);
  webkit_uri_scheme_response_set_content_type(response, content_type.c_str());
  SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
  soup_message_headers_replace(headers, "Content-Type", content_type.c_str());
  soup_message_headers_set_content_length(headers, length);
  soup_message_headers_replace(headers, "Accept-Ranges", "bytes");
  if (!how.content_range.empty()) soup_message_headers_replace(headers, "Content-Range", how.content_range.c_str());
  soup_message_headers_replace(headers, "Access-Control-Allow-Origin", origin.c_str());
  webkit_uri_scheme_response_set_http_headers(response, headers);  // takes them over
  webkit_uri_scheme_request_finish_with_response(request, response);
  g_object_unref(response);
}

}  // namespace

std::string served_content_type(std::string_view file_name) {
  if (const char* known = known_content_type(file_name)) return known;
  std::string name(file_name);
  gchar* guessed = g_content_type_guess(name.c_str(), nullptr, 0, nullptr);
  gchar* mime = guessed ? g_content_type_get_mime_type(guessed) : nullptr;
  std::string type = mime ? mime : unknown_content_type;
  g_free(mime);
  g_free(guessed);
  return type;
}

void answer_with_body(WebKitURISchemeRequest* request, const std::string& origin, GInputStream* body, int64_t length,
                      const std::string& content_type, const scheme_answer& how) {
  answer(request, origin, how.status, body, length, content_type, how);
}

void answer_not_found(WebKitURISchemeRequest* request, const std::string& origin) {
  answer(request, origin, status_not_found, g_memory_input_stream_new(), 0, "text/plain");
}

void answer_range_not_satisfiable(WebKitURISchemeRequest* request, const std::string& origin,
                                  const std::string& content_range) {
  answer(request, origin, 416, g_memory_input_stream_new(), 0, "text/plain", {416, content_range, false});
}
