#include "launcher-linux/page_recovery.h"

#include "launcher-common/renderer_recovery.h"

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

void answered(GtkDialog* dialog, int response, WebKitWebView* view) {
  auto* recovery = (page_recovery*)g_object_get_data(G_OBJECT(view), "wapp-recovery");
  gtk_widget_destroy(GTK_WIDGET(dialog));
  if (response != GTK_RESPONSE_ACCEPT) return;
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
  GtkWidget* dialog = gtk_message_dialog_new(recovery->window, GTK_DIALOG_DESTROY_WITH_PARENT, GTK_MESSAGE_WARNING,
                                             GTK_BUTTONS_NONE, "%s", question.title.c_str());
  gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s", question.text.c_str());
  std::string wait = std::string("_") + unresponsive_question::wait, reload = std::string("_") + unresponsive_question::reload;
  gtk_dialog_add_buttons(GTK_DIALOG(dialog), wait.c_str(), GTK_RESPONSE_REJECT, reload.c_str(), GTK_RESPONSE_ACCEPT,
                         nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_REJECT);
  gtk_window_set_title(GTK_WINDOW(dialog), question.title.c_str());
  recovery->question = dialog;
  g_signal_connect(dialog, "destroy", G_CALLBACK(forget_question), recovery);
  g_signal_connect(dialog, "response", G_CALLBACK(answered), view);
  gtk_widget_show(dialog);
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
