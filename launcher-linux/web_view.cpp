#include "launcher-linux/web_view.h"

#include <filesystem>

namespace {

// The handler's name is the one the script posts to.
constexpr char message_handler[] = "external";
constexpr char external_script[] = "window.external={invoke:s=>window.webkit.messageHandlers.external.postMessage(s)}";
// WebKit answers Notification.requestPermission "denied" without the user's
// click even where the permission is granted; as the standard has it, a
// permission already decided (by the app's policy) is what the call answers.
constexpr char notification_script[] =
    "(function(){var N=window.Notification;if(!N||!N.requestPermission)return;var ask=N.requestPermission.bind(N);"
    "N.requestPermission=function(done){var p=N.permission!=='default'?Promise.resolve(N.permission):ask();"
    "if(typeof done==='function')p.then(done);return p};})()";

}  // namespace

std::string program_file_name() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).filename().string();
}

std::string app_data_folder(const std::string& name) {
  return std::string(g_get_user_data_dir()) + "/" + name;
}

WebKitWebContext* create_web_context(const std::string& name) {
  std::string data = app_data_folder(name);
  std::string cache = std::string(g_get_user_cache_dir()) + "/" + name;
  WebKitWebsiteDataManager* manager = webkit_website_data_manager_new(
      "base-data-directory", data.c_str(), "base-cache-directory", cache.c_str(), nullptr);
  WebKitWebContext* context = webkit_web_context_new_with_website_data_manager(manager);
  g_object_unref(manager);
  return context;
}

WebKitWebView* create_web_view(WebKitWebContext* context, bool dev_tools) {
  WebKitUserContentManager* content = webkit_user_content_manager_new();
  webkit_user_content_manager_register_script_message_handler(content, message_handler);
  WebKitUserScript* script =
      webkit_user_script_new(external_script, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(content, script);
  webkit_user_script_unref(script);
  script = webkit_user_script_new(notification_script, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                  WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(content, script);
  webkit_user_script_unref(script);
  auto* view = WEBKIT_WEB_VIEW(
      g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, "user-content-manager", content, nullptr));
  g_object_unref(content);
  webkit_settings_set_enable_developer_extras(webkit_web_view_get_settings(view), dev_tools);
  return view;
}
