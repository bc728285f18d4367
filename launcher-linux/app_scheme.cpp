#include "launcher-linux/app_scheme.h"

#include <new>

#include "launcher-linux/entry_stream.h"
#include "launcher-linux/scheme_response.h"
#include "launcher-common/served_names.h"
#include "payload/virtual_host.h"
#include "payload/zip_entry_reader.h"

namespace {

constexpr char served_archive_key[] = "wapp-served-archive";

struct served_archive {
  std::string host;
  std::string origin;
  const zip_index& index;
};

// The entry's bytes, checked, in a stream of their own; or, for an entry too
// large to hold, a stream that inflates as it is read. Null for a damaged
// entry, or when memory is short.
GInputStream* body_of(const zip_index& index, const zip_entry& entry) {
  if (entry.size > largest_checked_entry) return entry_input_stream_new(index.archive(), entry);
  auto* inflated = new (std::nothrow) std::string;
  std::string_view bytes;
  if (!inflated || !read_checked_entry(index.archive(), entry, *inflated, bytes)) {
    delete inflated;
    return nullptr;
  }
  // A stored entry's bytes are the archive's own, mapped: no copy is made.
  GBytes* held = g_bytes_new_with_free_func(bytes.data(), bytes.size(),
                                            [](gpointer data) { delete (std::string*)data; }, inflated);
  GInputStream* body = g_memory_input_stream_new_from_bytes(held);
  g_bytes_unref(held);
  return body;
}

// The entry an address of the scheme names, and its name; null for one
// served as 404.
const zip_entry* entry_at(const served_archive& served, const char* uri, std::string& name) {
  return uri && served_entry_name(uri, linux_served_scheme, served.host, name) ? served.index.find(name) : nullptr;
}

void answer(WebKitURISchemeRequest* request, gpointer data) {
  const auto* served = (const served_archive*)data;
  std::string name;
  const zip_entry* entry = entry_at(*served, webkit_uri_scheme_request_get_uri(request), name);
  GInputStream* body = entry ? body_of(served->index, *entry) : nullptr;
  if (!body) return answer_not_found(request, served->origin);
  answer_with_body(request, served->origin, body, (int64_t)entry->size, served_content_type(name));
}

}  // namespace

void serve_app_archive(WebKitWebContext* context, const std::string& host, const zip_index& index) {
  std::string lowered = lower_case_host(host);
  auto* served = new served_archive{lowered, std::string(linux_served_scheme) + "://" + lowered, index};
  webkit_web_context_register_uri_scheme(context, linux_served_scheme, answer, served,
                                         [](gpointer data) { delete (served_archive*)data; });
  g_object_set_data(G_OBJECT(context), served_archive_key, served);
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
