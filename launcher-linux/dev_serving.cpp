#include "launcher-linux/dev_serving.h"

#include <libsoup/soup.h>
#include <sys/stat.h>

#include "launcher-common/dev_source.h"
#include "launcher-common/served_names.h"
#include "launcher-linux/app_scheme.h"
#include "launcher-linux/scheme_response.h"
#include "payload/virtual_host.h"

namespace {

struct dev_source {
  std::string host, origin, dev_url, folder;
  SoupSession* session = nullptr;
  WebKitWebView* view = nullptr;
  guint reload = 0;  // the settling change's timer
  std::vector<GFileMonitor*> monitors;
};

// One request on its way to the dev server and back.
struct proxied {
  dev_source* source;
  WebKitURISchemeRequest* request;
  SoupMessage* message;
};

void answer_failure(WebKitURISchemeRequest* request, const dev_source& source, const std::string& reason) {
  std::string page = dev_failure_page(source.dev_url, reason);
  GInputStream* body = g_memory_input_stream_new_from_data(g_strdup(page.c_str()), (gssize)page.size(), g_free);
  answer_with_body(request, source.origin, body, (int64_t)page.size(), "text/html; charset=utf-8", {502, "", false});
}

void answered(GObject* session, GAsyncResult* result, gpointer data) {
  auto* call = (proxied*)data;
  GError* error = nullptr;
  GInputStream* body = soup_session_send_finish(SOUP_SESSION(session), result, &error);
  if (!body) {
    answer_failure(call->request, *call->source, error ? error->message : "no answer");
    if (error) g_error_free(error);
  } else {
    SoupMessageHeaders* got = soup_message_get_response_headers(call->message);
    goffset length = soup_message_headers_get_encoding(got) == SOUP_ENCODING_CONTENT_LENGTH
                         ? soup_message_headers_get_content_length(got)
                         : -1;
    WebKitURISchemeResponse* response = webkit_uri_scheme_response_new(body, length);
    g_object_unref(body);
    webkit_uri_scheme_response_set_status(response, soup_message_get_status(call->message),
                                          soup_message_get_reason_phrase(call->message));
    if (const char* type = soup_message_headers_get_content_type(got, nullptr))
      webkit_uri_scheme_response_set_content_type(response, type);
    SoupMessageHeaders* passed = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    SoupMessageHeadersIter each;
    soup_message_headers_iter_init(&each, got);
    const char *name, *value;
    while (soup_message_headers_iter_next(&each, &name, &value)) {
      if (!is_passed_header(name)) continue;
      if (g_ascii_strcasecmp(name, "Location") == 0)
        soup_message_headers_append(passed, name,
                                    dev_location(value, call->source->dev_url, call->source->origin).c_str());
      else
        soup_message_headers_append(passed, name, value);
    }
    webkit_uri_scheme_response_set_http_headers(response, passed);  // takes them over
    webkit_uri_scheme_request_finish_with_response(call->request, response);
    g_object_unref(response);
  }
  g_object_unref(call->message);
  g_object_unref(call->request);
  delete call;
}

void proxy(WebKitURISchemeRequest* request, dev_source& source) {
  std::string target;
  if (!dev_server_address(webkit_uri_scheme_request_get_uri(request), linux_served_scheme, source.host,
                          source.dev_url, target))
    return answer_not_found(request, source.origin);
  SoupMessage* message = soup_message_new(webkit_uri_scheme_request_get_http_method(request), target.c_str());
  if (!message) return answer_failure(request, source, "not an address: " + target);
  // The page's own redirects, as the page would see them from a server.
  soup_message_add_flags(message, SOUP_MESSAGE_NO_REDIRECT);
  SoupMessageHeaders* sent = soup_message_get_request_headers(message);
  if (SoupMessageHeaders* asked = webkit_uri_scheme_request_get_http_headers(request)) {
    SoupMessageHeadersIter each;
    soup_message_headers_iter_init(&each, asked);
    const char *name, *value;
    while (soup_message_headers_iter_next(&each, &name, &value))
      if (is_passed_header(name)) soup_message_headers_append(sent, name, value);
  }
  soup_message_headers_replace(sent, "Accept-Encoding", "identity");
  if (GInputStream* body = webkit_uri_scheme_request_get_http_body(request)) {
    soup_message_set_request_body(message, nullptr, body, -1);
    g_object_unref(body);
  }
  auto* call = new proxied{&source, (WebKitURISchemeRequest*)g_object_ref(request), message};
  soup_session_send_async(source.session, message, G_PRIORITY_DEFAULT, nullptr, answered, call);
}

// The folder's file for the address, as the archive's entry would be; 404
// for what is not there, and for a name that would leave the folder.
void serve_file(WebKitURISchemeRequest* request, dev_source& source) {
  std::string name;
  if (!served_entry_name(webkit_uri_scheme_request_get_uri(request), linux_served_scheme, source.host, name) ||
      name.find("..") != std::string::npos)
    return answer_not_found(request, source.origin);
  std::string path = source.folder + "/" + name;
  struct stat file;
  GFile* at = g_file_new_for_path(path.c_str());
  GFileInputStream* body = stat(path.c_str(), &file) == 0 && S_ISREG(file.st_mode) ? g_file_read(at, nullptr, nullptr)
                                                                                   : nullptr;
  g_object_unref(at);
  if (!body) return answer_not_found(request, source.origin);
  answer_with_body(request, source.origin, G_INPUT_STREAM(body), (int64_t)file.st_size, served_content_type(name));
}

void answer(WebKitURISchemeRequest* request, gpointer data) {
  auto& source = *(dev_source*)data;
  if (!source.dev_url.empty()) return proxy(request, source);
  serve_file(request, source);
}

gboolean reload_now(gpointer data) {
  auto& source = *(dev_source*)data;
  source.reload = 0;
  webkit_web_view_reload(source.view);
  return G_SOURCE_REMOVE;
}

void watch(dev_source& source, GFile* folder);

// A change settles for 100 ms before the page reloads: an editor's save,
// or a build's many files, is one reload.
void changed(GFileMonitor*, GFile* file, GFile*, GFileMonitorEvent event, gpointer data) {
  auto& source = *(dev_source*)data;
  if (event == G_FILE_MONITOR_EVENT_CREATED && g_file_query_file_type(file, G_FILE_QUERY_INFO_NOFOLLOW_SYMLINKS,
                                                                      nullptr) == G_FILE_TYPE_DIRECTORY)
    watch(source, file);
  if (event == G_FILE_MONITOR_EVENT_ATTRIBUTE_CHANGED) return;
  if (source.reload) g_source_remove(source.reload);
  source.reload = g_timeout_add(100, reload_now, &source);
}

// Every folder of the app, each with a monitor of its own.
void watch(dev_source& source, GFile* folder) {
  GFileMonitor* monitor = g_file_monitor_directory(folder, G_FILE_MONITOR_WATCH_MOVES, nullptr, nullptr);
  if (!monitor) return;
  g_signal_connect(monitor, "changed", G_CALLBACK(changed), &source);
  source.monitors.push_back(monitor);
  GFileEnumerator* entries = g_file_enumerate_children(folder, G_FILE_ATTRIBUTE_STANDARD_TYPE,
                                                       G_FILE_QUERY_INFO_NOFOLLOW_SYMLINKS, nullptr, nullptr);
  while (GFileInfo* info = entries ? g_file_enumerator_next_file(entries, nullptr, nullptr) : nullptr) {
    if (g_file_info_get_file_type(info) == G_FILE_TYPE_DIRECTORY) {
      GFile* child = g_file_get_child(folder, g_file_info_get_name(info));
      watch(source, child);
      g_object_unref(child);
    }
    g_object_unref(info);
  }
  if (entries) g_object_unref(entries);
}

}  // namespace

void serve_dev_source(WebKitWebContext* context, WebKitWebView* view, const std::string& host,
                      const app_settings& app) {
  std::string lowered = lower_case_host(host);
  // Lives for the run, as the context does.
  auto* source = new dev_source;
  source->host = lowered;
  source->origin = std::string(linux_served_scheme) + "://" + lowered;
  source->dev_url = app.dev_url;
  source->folder = app.dev_folder;
  source->view = view;
  if (!app.dev_url.empty()) {
    // Nothing of the dev server is cached or kept between its restarts.
    source->session = soup_session_new_with_options("timeout", 0u, "idle-timeout", 5u, nullptr);
  } else {
    GFile* folder = g_file_new_for_path(app.dev_folder.c_str());
    watch(*source, folder);
    g_object_unref(folder);
  }
  register_app_scheme(context, answer, source);
}
