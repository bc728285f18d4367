#include "launcher-linux/app_scheme.h"

#include <new>

#include "launcher-linux/entry_stream.h"
#include "launcher-linux/scheme_response.h"
#include "launcher-common/served_names.h"
#include "launcher-common/served_ranges.h"
#include "payload/virtual_host.h"
#include "payload/zip_entry_reader.h"

namespace {

constexpr char served_archive_key[] = "wapp-served-archive";

struct served_archive {
  std::string host;
  std::string origin;
  const zip_index& index;
};

// The entry's bytes from `start` on, `length` of them, checked, in a stream
// of their own; or, for an entry too large to hold, a stream that inflates
// as it is read, from `start` to the end. Null for a damaged entry, or when
// memory is short.
GInputStream* body_of(const zip_index& index, const zip_entry& entry, uint64_t start = 0, uint64_t length = ~0ull) {
  if (entry.size > largest_checked_entry) {
    GInputStream* stream = entry_input_stream_new(index.archive(), entry);
    if (stream && start && g_input_stream_skip(stream, (gsize)start, nullptr, nullptr) != (gssize)start) {
      g_object_unref(stream);
      return nullptr;
    }
    return stream;
  }
  auto* inflated = new (std::nothrow) std::string;
  std::string_view bytes;
  if (!inflated || !read_checked_entry(index.archive(), entry, *inflated, bytes)) {
    delete inflated;
    return nullptr;
  }
  // A stored entry's bytes are the archive's own, mapped: no copy is made.
  GBytes* held = g_bytes_new_with_free_func(bytes.data(), bytes.size(),
                                            [](gpointer data) { delete (std::string*)data; }, inflated);
  start = std::min<uint64_t>(start, bytes.size());
  GBytes* part = g_bytes_new_from_bytes(held, start, std::min<uint64_t>(length, bytes.size() - start));
  GInputStream* body = g_memory_input_stream_new_from_bytes(part);
  g_bytes_unref(part);
  g_bytes_unref(held);
  return body;
}

// The entry an address of the scheme names, and its name; null for one
// served as 404.
const zip_entry* entry_at(const served_archive& served, const char* uri, std::string& name) {
  return uri && served_entry_name(uri, linux_served_scheme, served.host, name) ? served.index.find(name) : nullptr;
}

// As a web server answers: HEAD without a body, one range of bytes as 206.
// An entry too large to hold is sent from the range's start to its end.
void answer(WebKitURISchemeRequest* request, gpointer data) {
  const auto* served = (const served_archive*)data;
  std::string name;
  const zip_entry* entry = entry_at(*served, webkit_uri_scheme_request_get_uri(request), name);
  if (!entry) return answer_not_found(request, served->origin);
  SoupMessageHeaders* headers = webkit_uri_scheme_request_get_http_headers(request);
  const char* asked = headers ? soup_message_headers_get_one(headers, "Range") : nullptr;
  served_range range = range_of(asked ? asked : "", entry->size);
  if (range.status == 206 && entry->size > largest_checked_entry)
    range = range_of("bytes=" + std::to_string(range.start) + "-", entry->size);
  scheme_answer how{range.status == 206 ? 206 : 200, range.status == 206 ? range.content_range : "",
                    g_strcmp0(webkit_uri_scheme_request_get_http_method(request), "HEAD") == 0};
  if (range.status == 416) return answer_range_not_satisfiable(request, served->origin, range.content_range);
  GInputStream* body = body_of(served->index, *entry, range.start, range.length);
  if (!body) return answer_not_found(request, served->origin);
  answer_with_body(request, served->origin, body, (int64_t)range.length, served_content_type(name), how);
}

}  // namespace

void serve_app_archive(WebKitWebContext* context, const std::string& host, const zip_index& index) {
  std::string lowered = lower_case_host(host);
  auto* served = new served_archive{lowered, std::string(linux_served_scheme) + "://" + lowered, index};
  register_app_scheme(context, answer, served);
  g_object_set_data(G_OBJECT(context), served_archive_key, served);
}

void register_app_scheme(WebKitWebContext* context, WebKitURISchemeRequestCallback answer, gpointer data) {
  // Lives for the run, as the context does.
  webkit_web_context_register_uri_scheme(context, linux_served_scheme, answer, data, nullptr);
  // Secure: the page is a secure context, as on https. CORS-enabled: module
  // scripts, workers and fetch may load from it. Never local: a local
  // scheme's pages may load file: resources from anywhere on the disk, and
  // may start no worker.
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
  webkit_security_manager_register_uri_scheme_as_secure(security, linux_served_scheme);
  webkit_security_manager_register_uri_scheme_as_cors_enabled(security, linux_served_scheme);
}

GInputStream* open_served_entry(WebKitWebContext* context, const char* uri) {
  const auto* served = (const served_archive*)g_object_get_data(G_OBJECT(context), served_archive_key);
  std::string name;
  const zip_entry* entry = served ? entry_at(*served, uri, name) : nullptr;
  return entry ? body_of(served->index, *entry) : nullptr;
}
