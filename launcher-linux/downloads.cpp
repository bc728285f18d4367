#include "launcher-linux/downloads.h"

#include <string>

#include "launcher-linux/app_scheme.h"
#include "launcher-common/app_boundary.h"
#include "payload/virtual_host.h"

namespace {

// A download waiting for the user's answer: the engine's, which writes
// nothing until it has a destination, or a file of the app's own, which the
// launcher copies.
struct pending_save {
  WebKitDownload* download;
  GInputStream* file;
};

std::string first_folder() {
  const char* downloads = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
  if (downloads && g_file_test(downloads, G_FILE_TEST_IS_DIR)) return downloads;
  return g_get_home_dir();
}

// Written beside the destination and put in its place once whole: a copy
// that fails leaves what was there.
void copy_file(GInputStream* in, const char* destination) {
  GFile* target = g_file_new_for_uri(destination);
  GFileOutputStream* out = g_file_replace(target, nullptr, FALSE, G_FILE_CREATE_NONE, nullptr, nullptr);
  g_object_unref(target);
  if (!out) return;
  bool copied = g_output_stream_splice(G_OUTPUT_STREAM(out), in, G_OUTPUT_STREAM_SPLICE_NONE, nullptr, nullptr) >= 0;
  GCancellable* abandon = g_cancellable_new();
  if (!copied) g_cancellable_cancel(abandon);
  g_output_stream_close(G_OUTPUT_STREAM(out), abandon, nullptr);
  g_object_unref(abandon);
  g_object_unref(out);
}

// The chooser confirmed any overwrite; without an answer nothing is written.
void destination_chosen(GtkNativeDialog* chooser, gint response, gpointer data) {
  auto* save = (pending_save*)data;
  gchar* destination = response == GTK_RESPONSE_ACCEPT ? gtk_file_chooser_get_uri(GTK_FILE_CHOOSER(chooser)) : nullptr;
  if (save->download && destination) {
    webkit_download_set_allow_overwrite(save->download, TRUE);
    webkit_download_set_destination(save->download, destination);
  } else if (save->download) {
    webkit_download_cancel(save->download);
  } else if (destination) {
    copy_file(save->file, destination);
  }
  g_free(destination);
  if (save->download) g_object_unref(save->download);
  if (save->file) g_object_unref(save->file);
  delete save;
  g_object_unref(chooser);
}

// Titled with the name, which says what is being saved.
void ask_where(GtkWindow* window, const char* suggested_name, pending_save* save) {
  GtkFileChooserNative* chooser =
      gtk_file_chooser_native_new(suggested_name, window, GTK_FILE_CHOOSER_ACTION_SAVE, nullptr, nullptr);
  GtkFileChooser* files = GTK_FILE_CHOOSER(chooser);
  gtk_file_chooser_set_do_overwrite_confirmation(files, TRUE);
  gtk_file_chooser_set_current_folder(files, first_folder().c_str());
  if (suggested_name && *suggested_name) gtk_file_chooser_set_current_name(files, suggested_name);
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
  g_signal_connect(chooser, "response", G_CALLBACK(destination_chosen), save);
  gtk_native_dialog_show(GTK_NATIVE_DIALOG(chooser));
}

// The download waits, writing nothing, until a destination is set.
// The page's own data may come with no name (a blob), or with a piece of
// its address for one (a data: address the link gave no name): it is
// offered as "download", as browsers do.
gboolean choose_destination(WebKitDownload* download, gchar* suggested_name, gpointer window) {
  const char* uri = webkit_uri_request_get_uri(webkit_download_get_request(download));
  bool from_address = uri && suggested_name && address_scheme(std::string_view(uri)) == "data" &&
                      std::string_view(uri).find(suggested_name) != std::string_view::npos;
  bool named = suggested_name && *suggested_name && !from_address;
  const char* name = named ? suggested_name : "download";
  ask_where(GTK_WINDOW(window), name, new pending_save{WEBKIT_DOWNLOAD(g_object_ref(download)), nullptr});
  return TRUE;
}

// The last part of the address's path, unescaped: what the file is called.
std::string file_name_in(const char* uri) {
  std::string path(uri);
  path = path.substr(0, path.find_first_of("?#"));
  gchar* name = g_uri_unescape_string(path.substr(path.rfind('/') + 1).c_str(), "/");
  std::string found = name && *name ? name : "download";
  g_free(name);
  return found;
}

// The engine cannot download what the app's own scheme serves (it fails
// before it asks where): such a download is the launcher's, copied from the
// app's archive. The file's own name is offered, as the engine never tells
// the one a link's download attribute gave.
void download_started(WebKitWebContext* context, WebKitDownload* download, gpointer window) {
  const char* uri = webkit_uri_request_get_uri(webkit_download_get_request(download));
  if (uri && address_scheme(std::string_view(uri)) == linux_served_scheme) {
    GInputStream* file = open_served_entry(context, uri);
    webkit_download_cancel(download);
    if (file) ask_where(GTK_WINDOW(window), file_name_in(uri).c_str(), new pending_save{nullptr, file});
    return;
  }
  g_signal_connect(download, "decide-destination", G_CALLBACK(choose_destination), window);
}

}  // namespace

void save_downloads(WebKitWebContext* context, GtkWindow* window) {
  g_signal_connect(context, "download-started", G_CALLBACK(download_started), window);
}
