#include "launcher-linux/page_permissions.h"

#include <deque>
#include <vector>

#include "launcher-common/permission_policy.h"
#include "launcher-linux/user_question.h"

namespace {

struct waiting_request {
  WebKitPermissionRequest* request;
  std::vector<permission_kind> kinds;
};

struct page_permissions {
  permission_answers answers;
  app_scope app;
  GtkWindow* window;
  std::string app_name, origin;
  std::deque<waiting_request> waiting;
  GtkWidget* question = nullptr;
};

// The kinds a request asks for; none for a kind the policy does not know,
// which is denied.
std::vector<permission_kind> kinds_of(WebKitPermissionRequest* request) {
  if (WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(request)) return {permission_kind::geolocation};
  if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request)) return {permission_kind::notifications};
  if (WEBKIT_IS_CLIPBOARD_PERMISSION_REQUEST(request)) return {permission_kind::clipboard_read};
  if (!WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(request)) return {};
  auto* media = WEBKIT_USER_MEDIA_PERMISSION_REQUEST(request);
  std::vector<permission_kind> kinds;
  if (webkit_user_media_permission_is_for_video_device(media)) kinds.push_back(permission_kind::camera);
  if (webkit_user_media_permission_is_for_audio_device(media)) kinds.push_back(permission_kind::microphone);
  if (webkit_user_media_permission_is_for_display_device(media)) kinds.clear();
  return kinds;
}

void settle(WebKitPermissionRequest* request, bool allowed) {
  if (allowed) webkit_permission_request_allow(request);
  else webkit_permission_request_deny(request);
  g_object_unref(request);
}

// The verdict on all the kinds: allow when each is allowed, deny when one is.
permission_answers::verdict verdict_on(const page_permissions& p, const std::vector<permission_kind>& kinds, bool own) {
  auto verdict = kinds.empty() ? permission_answers::verdict::deny : permission_answers::verdict::allow;
  for (permission_kind kind : kinds) {
    auto one = p.answers.decide(kind, own);
    if (one == permission_answers::verdict::deny) return one;
    if (one == permission_answers::verdict::ask) verdict = one;
  }
  return verdict;
}

void ask_next(page_permissions* p);

void answered(bool allowed, void* data) {
  auto* p = (page_permissions*)data;
  p->question = nullptr;
  waiting_request& front = p->waiting.front();
  for (permission_kind kind : front.kinds) {
    if (p->answers.decide(kind, true) != permission_answers::verdict::ask) continue;
    p->answers.answer(kind, allowed);
    break;
  }
  ask_next(p);
}

// One question at a time, each kind asked once a run; a request goes when
// each of its kinds has its answer.
void ask_next(page_permissions* p) {
  while (!p->waiting.empty() && !p->question) {
    waiting_request& front = p->waiting.front();
    auto verdict = verdict_on(*p, front.kinds, true);
    if (verdict != permission_answers::verdict::ask) {
      settle(front.request, verdict == permission_answers::verdict::allow);
      p->waiting.pop_front();
      continue;
    }
    permission_kind kind = front.kinds.front();
    for (permission_kind k : front.kinds)
      if (p->answers.decide(k, true) == permission_answers::verdict::ask) kind = k;
    permission_question question = permission_question_for(p->app_name, kind);
    p->question = ask_user(p->window, question.title, question.text, permission_question::allow,
                           permission_question::deny, answered, p);
  }
}

gboolean permission_requested(WebKitWebView* view, WebKitPermissionRequest* request, page_permissions* p) {
  const char* uri = webkit_web_view_get_uri(view);
  bool own = uri && is_app_address(p->app, uri);
  std::vector<permission_kind> kinds = kinds_of(request);
  auto verdict = verdict_on(*p, kinds, own);
  if (verdict != permission_answers::verdict::ask) {
    g_object_ref(request);
    settle(request, verdict == permission_answers::verdict::allow);
    return TRUE;
  }
  p->waiting.push_back({(WebKitPermissionRequest*)g_object_ref(request), kinds});
  ask_next(p);
  return TRUE;
}

void initialize_notifications(WebKitWebContext* context, page_permissions* p) {
  auto choice = p->answers.policy().of(permission_kind::notifications);
  if (choice == permission_choice::ask || p->origin.empty()) return;
  WebKitSecurityOrigin* origin = webkit_security_origin_new_for_uri(p->origin.c_str());
  GList* origins = g_list_append(nullptr, origin);
  webkit_web_context_initialize_notification_permissions(context, choice == permission_choice::allow ? origins : nullptr,
                                                         choice == permission_choice::deny ? origins : nullptr);
  g_list_free(origins);
  webkit_security_origin_unref(origin);
}

void forget(gpointer data) {
  auto* p = (page_permissions*)data;
  if (p->question) gtk_widget_destroy(p->question);
  for (auto& waiting : p->waiting) settle(waiting.request, false);
  delete p;
}

}  // namespace

void answer_permissions(WebKitWebView* view, GtkWindow* window, const app_scope& app, const std::string& policy,
                        const std::string& app_name, const std::string& address) {
  permission_policy read;
  std::string problem;
  auto* p = new page_permissions{read_permission_policy(policy, read, problem) ? permission_answers(read)
                                                                              : permission_answers(),
                                 app, window, app_name, address, {}, nullptr};
  g_object_set_data_full(G_OBJECT(view), "wapp-permissions", p, forget);
  const permission_policy& used = p->answers.policy();
  webkit_settings_set_enable_media_stream(
      webkit_web_view_get_settings(view), used.of(permission_kind::camera) != permission_choice::deny ||
                                              used.of(permission_kind::microphone) != permission_choice::deny);
  g_signal_connect(view, "permission-request", G_CALLBACK(permission_requested), p);
  g_signal_connect(webkit_web_view_get_context(view), "initialize-notification-permissions",
                   G_CALLBACK(initialize_notifications), p);
}
