#pragma once
// A question to the user with two answers, over the app's window: the
// dialog's title and its text, each answer with its first letter as the
// key (Alt+letter), the second answer the default. The dialog is shown and
// returned; once answered it goes, and answered hears whether the first
// answer was chosen. One destroyed unanswered calls nothing.
#include <string>

#include <gtk/gtk.h>

using user_answer = void (*)(bool first, void* context);

GtkWidget* ask_user(GtkWindow* window, const std::string& title, const std::string& text, const char* first,
                    const char* second, user_answer answered, void* context);
