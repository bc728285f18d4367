#include "launcher-linux/app_scheme.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <gio/gunixinputstream.h>

#include "launcher-linux/folder_tree.h"
#include "launcher-linux/scheme_response.h"
#include "payload/entry_names.h"
#include "payload/virtual_host.h"

namespace {

struct served_folder {
  std::string host;
  std::string origin;
  int folder;
};

struct served_file {
  descriptor file;
  off_t size;
  std::string name;  // its path below the folder
};

// The file the request's address names, open for reading; false when there
// is none to serve.
bool find_served_file(const served_folder& served, const char* uri, served_file& found) {
  GUri* parsed = g_uri_parse(uri, G_URI_FLAGS_NONE, nullptr);
  if (!parsed) return false;
  const char* host = g_uri_get_host(parsed);
  bool ours = host && g_ascii_strcasecmp(host, served.host.c_str()) == 0;
  std::string path = g_uri_get_path(parsed);
  g_uri_unref(parsed);
  found.name = path.substr(path.starts_with('/') ? 1 : 0);
  if (!ours || judge_entry_name(found.name) != entry_name_verdict::unpacked) return false;
  std::string last;
  descriptor parent = open_parent_below(served.folder, found.name, false, last);
  if (!parent) return false;
  // Opened without waiting: a FIFO put there would hold the opening (and
  // with it the window) until something wrote to it. Only a regular file
  // is served, and it is read as usual.
  found.file = descriptor(openat(parent.value, last.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat about;
  if (!found.file || fstat(found.file.value, &about) != 0 || !S_ISREG(about.st_mode) ||
      fcntl(found.file.value, F_SETFL, fcntl(found.file.value, F_GETFL) & ~O_NONBLOCK) != 0)
    return false;
  found.size = about.st_size;
  return true;
}

void answer(WebKitURISchemeRequest* request, gpointer data) {
  const auto* served = (const served_folder*)data;
  served_file found;
  if (!find_served_file(*served, webkit_uri_scheme_request_get_uri(request), found))
    return answer_not_found(request, served->origin);
  GInputStream* body = g_unix_input_stream_new(found.file.value, TRUE);
  found.file.value = -1;  // the stream closes it
  answer_with_body(request, served->origin, body, found.size, served_content_type(found.name));
}

}  // namespace

void serve_app_folder(WebKitWebContext* context, const std::string& host, int folder) {
  std::string lowered = lower_case_host(host);
  auto* served = new served_folder{lowered, std::string(linux_served_scheme) + "://" + lowered, folder};
  webkit_web_context_register_uri_scheme(context, linux_served_scheme, answer, served,
                                         [](gpointer data) { delete (served_folder*)data; });
  // Secure: the page is a secure context, as on https. CORS-enabled: module
  // scripts, workers and fetch may load from it. Never local: a local
  // scheme's pages may load file: resources from anywhere on the disk, and
  // may start no worker.
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
  webkit_security_manager_register_uri_scheme_as_secure(security, linux_served_scheme);
  webkit_security_manager_register_uri_scheme_as_cors_enabled(security, linux_served_scheme);
}
