#include "launcher-linux/page_api_host.h"

#include <sys/random.h>

#include <deque>

#include "launcher-linux/ending_signals.h"
#include "launcher-linux/page_system.h"
#include "launcher-linux/web_view.h"
#include "launcher-common/page_script.h"
#include "payload/virtual_host.h"

namespace {

constexpr char handler_name[] = "wapp";

struct waiting_request {
  std::string text;
  WebKitScriptMessageReply* reply;
};

struct page_api_host {
  page_api_host(WebKitWebView* v, GtkWindow* window, const app_scope& a, const std::string& key, update_calls& updates,
                const launcher_settings& settings)
      : view(v),
        app(a),
        tray(window, settings.app.app_id.empty() ? program_file_name() : settings.app.app_id, settings.icon_png,
             settings.app.close_to_tray),
        system(window, GTK_WIDGET(v), updates, tray),
        api(system, key) {}
  WebKitWebView* view;
  app_scope app;
  linux_tray tray;
  gtk_page_system system;
  page_api api;
  std::string key;
  std::deque<waiting_request> requests;
  bool answering = false;
  bool window_gone = false;  // and the view with it: nothing is answered any more
  // Replies are values of a context of their own, made once.
  JSCContext* replies = jsc_context_new();
};

// Script message handlers answer any frame of any page the view shows. The
// script that knows the run's key goes to the app's own top-level pages
// only; a request is taken when the view shows one of those and it carries
// the key, which no other page or frame can read.
std::string run_key() {
  unsigned char bytes[16] = {};
  if (getrandom(bytes, sizeof bytes, 0) != (ssize_t)sizeof bytes) return "";
  std::string key;
  for (unsigned char b : bytes) key += "0123456789abcdef"[b >> 4], key += "0123456789abcdef"[b & 15];
  return key;
}

void send_reply(page_api_host& host, WebKitScriptMessageReply* reply, const std::string& text) {
  JSCValue* value = jsc_value_new_string(host.replies, text.c_str());
  webkit_script_message_reply_return_value(reply, value);
  g_object_unref(value);
}

// Answers one request, as the view shows the app's page or not; nothing
// once the window is gone (a dialog's loop may outlive it).
void answer_one(page_api_host& host, std::string_view text, WebKitScriptMessageReply* reply) {
  if (host.window_gone) return;
  const char* shown = webkit_web_view_get_uri(host.view);
  std::optional<std::string> answer;
  // A call settled later keeps its reply until then; nothing is sent once
  // the window is gone.
  WebKitScriptMessageReply* kept = webkit_script_message_reply_ref(reply);
  auto later = [&host, kept](std::string text) {
    if (!host.window_gone) send_reply(host, kept, text);
    webkit_script_message_reply_unref(kept);
  };
  try {
    answer = host.api.answer(text, shown && is_app_address(host.app, shown), later);
  } catch (...) {
    // Out of memory: unanswered, and nothing was touched.
  }
  if (!answer || !answer->empty()) webkit_script_message_reply_unref(kept);
  if (host.window_gone) return;
  if (!answer) return webkit_script_message_reply_return_error_message(reply, "not answered");
  if (!answer->empty()) send_reply(host, reply, *answer);
}

gboolean answer_requests(gpointer data) {
  auto& host = *(page_api_host*)data;
  if (host.answering) return G_SOURCE_REMOVE;
  host.answering = true;
  while (!host.requests.empty()) {
    waiting_request request = std::move(host.requests.front());
    host.requests.pop_front();
    answer_one(host, request.text, request.reply);
    webkit_script_message_reply_unref(request.reply);
  }
  host.answering = false;
  return G_SOURCE_REMOVE;
}

// A chooser runs a loop of its own, which the main loop's end must not
// wait for.
gboolean ending(gpointer data) {
  ((page_api_host*)data)->system.end_choosing();
  return G_SOURCE_CONTINUE;
}

// The view goes with the window: what is still asked is not answered, and
// no chooser opens for it.
void window_destroyed(gpointer data) {
  auto& host = *(page_api_host*)data;
  host.window_gone = true;
  host.system.end_choosing();
}

// Any frame can post to the handler, so a message is looked at before it is
// read: the app's script sends one JSON text that starts with the run's
// key. Anything else (another kind of value, a text without the key, more
// than a call may carry, more calls than wait at once) is refused here,
// at the cost of its first bytes, and never parsed.
gboolean request_heard(WebKitUserContentManager*, JSCValue* value, WebKitScriptMessageReply* reply, gpointer data) {
  auto& host = *(page_api_host*)data;
  auto refuse = [&](const char* why) {
    webkit_script_message_reply_return_error_message(reply, why);
    return TRUE;
  };
  if (!jsc_value_is_string(value)) return refuse("not answered");
  if (host.requests.size() >= page_api::most_waiting_calls) return refuse("too many calls at once");
  GBytes* bytes = jsc_value_to_string_as_bytes(value);
  gsize size = 0;
  const char* text = bytes ? (const char*)g_bytes_get_data(bytes, &size) : nullptr;
  std::string_view message(text ? text : "", size);
  if (message.ends_with('\0')) message.remove_suffix(1);
  const std::string marker = "{\"wapp\":\"" + host.key + "\"";
  if (!message.starts_with(marker)) {
    refuse("not answered");
  } else if (page_api::announces_window(message)) {
    // Noted at once: the engine asks for the window right after.
    answer_one(host, message, reply);
  } else if (message.size() > page_api_message_limit) {
    refuse("the message is larger than a call may be: file data of at most 64 MiB");
  } else {
    try {
      std::string copy(message);
      host.requests.push_back({std::move(copy), webkit_script_message_reply_ref(reply)});
      g_idle_add(answer_requests, &host);
    } catch (...) {
      refuse("out of memory");
    }
  }
  if (bytes) g_bytes_unref(bytes);
  return TRUE;
}

// The addresses that start the app's pages, as location.href reads with
// its escapes undone.
std::string own_prefix(const app_scope& app) {
  if (!app.virtual_host.empty())
    return std::string(linux_served_scheme) + "://" + lower_case_host(app.virtual_host) + "/";
  std::string folder = app.folder;
  if (folder.empty() || folder.back() != '/') folder += '/';
  return "file://" + folder;
}

}  // namespace

void serve_page_api(WebKitWebView* view, GtkWindow* window, const app_scope& app, const launcher_settings& settings,
                    update_calls& updates) {
  if (app_is_site(app)) return;
  std::string key = run_key();
  if (key.empty()) return;
  WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(view);
  if (!webkit_user_content_manager_register_script_message_handler_with_reply(content, handler_name, nullptr)) return;
  // Lives for the run, as the view does.
  auto* host = new page_api_host(view, window, app, key, updates, settings);
  host->key = key;
  g_signal_connect(content, "script-message-with-reply-received::wapp", G_CALLBACK(request_heard), host);
  on_ending_signals(ending, host);
  g_signal_connect_swapped(window, "destroy", G_CALLBACK(window_destroyed), host);
  page_script_settings script{page_channel::webkit, key, {own_prefix(app)}, false, settings.app.app_name,
                              settings.app.app_version, "linux"};
  WebKitUserScript* user_script =
      webkit_user_script_new(page_api_script(script).c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(content, user_script);
  webkit_user_script_unref(user_script);
}
