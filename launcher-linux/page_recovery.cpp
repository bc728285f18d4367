#include "launcher-linux/page_recovery.h"

#include "launcher-common/renderer_recovery.h"
#include "launcher-linux/user_question.h"

namespace {

struct page_recovery {
  renderer_recovery bound;
  GtkWindow* window;
  std::string app_name, address;
  guint waiting = 0;     // the ten seconds of an unresponsive process
  GtkWidget* question = nullptr;
  bool reload_asked = false;  // the user chose to reload: the end that follows is no crash
};

uint64_t now_ms() { return (uint64_t)(g_get_monotonic_time() / 1000); }

void process_ended(WebKitWebView* view, WebKitWebProcessTerminationReason reason, page_recovery* recovery) {
  if (recovery->question) gtk_widget_destroy(recovery->question);
  if (reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API && !recovery->reload_asked) return;
  bool chosen = recovery->reload_asked;
  recovery->reload_asked = false;
  if (chosen || recovery->bound.reload_after_death(now_ms())) {
    webkit_web_view_reload(view);
    return;
  }
  // Under the app's own address, so that the button's load is the app's own.
  std::string page = recovery_page(recovery->app_name, recovery->address);
  webkit_web_view_load_alternate_html(view, page.c_str(), recovery->address.c_str(), nullptr);
}

void answered(bool reload, void* data) {
  auto* view = WEBKIT_WEB_VIEW(data);
  auto* recovery = (page_recovery*)g_object_get_data(G_OBJECT(view), "wapp-recovery");
  if (!reload) return;
  recovery->reload_asked = true;
  webkit_web_view_terminate_web_process(view);
}

void forget_question(GtkWidget*, page_recovery* recovery) { recovery->question = nullptr; }

gboolean ask_after_wait(gpointer data) {
  auto* view = WEBKIT_WEB_VIEW(data);
  auto* recovery = (page_recovery*)g_object_get_data(G_OBJECT(view), "wapp-recovery");
  recovery->waiting = 0;
  if (webkit_web_view_get_is_web_process_responsive(view) || recovery->question) return G_SOURCE_REMOVE;
  unresponsive_question question = unresponsive_question_for(recovery->app_name);
  recovery->question = ask_user(recovery->window, question.title, question.text, unresponsive_question::reload,
                                unresponsive_question::wait, answered, view);
  g_signal_connect(recovery->question, "destroy", G_CALLBACK(forget_question), recovery);
  return G_SOURCE_REMOVE;
}

// Waiting starts again after "Wait", while the process still does not answer.
void responsiveness_changed(WebKitWebView* view, GParamSpec*, page_recovery* recovery) {
  bool responsive = webkit_web_view_get_is_web_process_responsive(view);
  if (responsive && recovery->question) gtk_widget_destroy(recovery->question);
  if (responsive && recovery->waiting) g_source_remove(recovery->waiting), recovery->waiting = 0;
  if (!responsive && !recovery->waiting)
    recovery->waiting = g_timeout_add(renderer_recovery::unresponsive_ms, ask_after_wait, view);
}

void forget(gpointer data) {
  auto* recovery = (page_recovery*)data;
  if (recovery->waiting) g_source_remove(recovery->waiting);
  delete recovery;
}

}  // namespace

void recover_page(WebKitWebView* view, GtkWindow* window, const std::string& app_name, const std::string& address) {
  auto* recovery = new page_recovery{{}, window, app_name, address};
  g_object_set_data_full(G_OBJECT(view), "wapp-recovery", recovery, forget);
  g_signal_connect(view, "web-process-terminated", G_CALLBACK(process_ended), recovery);
  g_signal_connect(view, "notify::is-web-process-responsive", G_CALLBACK(responsiveness_changed), recovery);
}
