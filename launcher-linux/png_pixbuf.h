#pragma once
// The app's packed icon, a PNG, as GTK's image: a new reference, or null for
// no bytes or bytes that are no PNG.
#include <string>

#include <gdk-pixbuf/gdk-pixbuf.h>

GdkPixbuf* pixbuf_of_png(const std::string& png);
