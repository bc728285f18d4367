#include "launcher-linux/app_scheme.h"

#include <new>

#include "launcher-linux/entry_stream.h"
#include "launcher-linux/scheme_response.h"
#include "payload/served_names.h"
#include "payload/virtual_host.h"
#include "payload/zip_entry_reader.h"

namespace {

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

void answer(WebKitURISchemeRequest* request, gpointer data) {
  const auto* served = (const served_archive*)data;
  std::string name;
  const zip_entry* entry =
      served_entry_name(webkit_uri_scheme_request_get_uri(request), linux_served_scheme, served->host, name)
          ? served->index.find(name)
          : nullptr;
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
  // Secure: the page is a secure context, as on https. CORS-enabled: module
  // scripts, workers and fetch may load from it. Never local: a local
  // scheme's pages may load file: resources from anywhere on the disk, and
  // may start no worker.
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
  webkit_security_manager_register_uri_scheme_as_secure(security, linux_served_scheme);
  webkit_security_manager_register_uri_scheme_as_cors_enabled(security, linux_served_scheme);
}
