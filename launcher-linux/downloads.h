#pragma once
// Downloads (<a download>, blob: and data: addresses, documents the engine
// cannot show) are saved where the user says: the desktop's file chooser
// asks, with the name the download suggests, in the Downloads folder first
// (the home folder where there is none). The engine writes the file there
// and nowhere else; a cancelled chooser cancels the download, and nothing is
// written at all.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

// For every download of the context; the chooser belongs to window.
void save_downloads(WebKitWebContext* context, GtkWindow* window);
