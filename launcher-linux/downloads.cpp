#include "launcher-linux/downloads.h"

#include <string>

namespace {

std::string first_folder() {
  const char* downloads = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
  if (downloads && g_file_test(downloads, G_FILE_TEST_IS_DIR)) return downloads;
  return g_get_home_dir();
}

// The chooser confirmed any overwrite; without an answer nothing is written.
void destination_chosen(GtkNativeDialog* chooser, gint response, gpointer data) {
  auto* download = WEBKIT_DOWNLOAD(data);
  gchar* destination = response == GTK_RESPONSE_ACCEPT ? gtk_file_chooser_get_uri(GTK_FILE_CHOOSER(chooser)) : nullptr;
  if (destination) {
    webkit_download_set_allow_overwrite(download, TRUE);
    webkit_download_set_destination(download, destination);
  } else {
    webkit_download_cancel(download);
  }
  g_free(destination);
  g_object_unref(download);
  g_object_unref(chooser);
}

// The download waits, writing nothing, until a destination is set.
gboolean choose_destination(WebKitDownload* download, gchar* suggested_name, gpointer window) {
  // Titled with the name, which says what is being saved.
  GtkFileChooserNative* chooser =
      gtk_file_chooser_native_new(suggested_name, GTK_WINDOW(window), GTK_FILE_CHOOSER_ACTION_SAVE, nullptr, nullptr);
  GtkFileChooser* files = GTK_FILE_CHOOSER(chooser);
  gtk_file_chooser_set_do_overwrite_confirmation(files, TRUE);
  gtk_file_chooser_set_current_folder(files, first_folder().c_str());
  if (suggested_name && *suggested_name) gtk_file_chooser_set_current_name(files, suggested_name);
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
  g_signal_connect(chooser, "response", G_CALLBACK(destination_chosen), g_object_ref(download));
  gtk_native_dialog_show(GTK_NATIVE_DIALOG(chooser));
  return TRUE;
}

void download_started(WebKitWebContext*, WebKitDownload* download, gpointer window) {
  g_signal_connect(download, "decide-destination", G_CALLBACK(choose_destination), window);
}

}  // namespace

void save_downloads(WebKitWebContext* context, GtkWindow* window) {
  g_signal_connect(context, "download-started", G_CALLBACK(download_started), window);
}
