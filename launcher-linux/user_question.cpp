#include "launcher-linux/user_question.h"

namespace {

struct waiting_answer {
  user_answer answered;
  void* context;
};

void responded(GtkDialog* dialog, int response, waiting_answer* waiting) {
  waiting_answer answer = *waiting;
  gtk_widget_destroy(GTK_WIDGET(dialog));
  answer.answered(response == GTK_RESPONSE_ACCEPT, answer.context);
}

}  // namespace

GtkWidget* ask_user(GtkWindow* window, const std::string& title, const std::string& text, const char* first,
                    const char* second, user_answer answered, void* context) {
  GtkWidget* dialog = gtk_message_dialog_new(window, GTK_DIALOG_DESTROY_WITH_PARENT, GTK_MESSAGE_QUESTION,
                                             GTK_BUTTONS_NONE, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  const std::string no = std::string("_") + second, yes = std::string("_") + first;
  gtk_dialog_add_buttons(GTK_DIALOG(dialog), no.c_str(), GTK_RESPONSE_REJECT, yes.c_str(), GTK_RESPONSE_ACCEPT, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_REJECT);
  auto* waiting = new waiting_answer{answered, context};
  g_object_set_data_full(G_OBJECT(dialog), "wapp-answer", waiting, [](gpointer data) { delete (waiting_answer*)data; });
  g_signal_connect(dialog, "response", G_CALLBACK(responded), waiting);
  gtk_widget_show(dialog);
  return dialog;
}
