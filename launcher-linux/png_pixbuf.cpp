#include "launcher-linux/png_pixbuf.h"

GdkPixbuf* pixbuf_of_png(const std::string& png) {
  if (png.empty()) return nullptr;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("png", nullptr);
  if (!loader) return nullptr;
  bool written = gdk_pixbuf_loader_write(loader, (const guchar*)png.data(), png.size(), nullptr);
  bool closed = gdk_pixbuf_loader_close(loader, nullptr);
  GdkPixbuf* read = written && closed ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  if (read) g_object_ref(read);
  g_object_unref(loader);
  return read;
}
