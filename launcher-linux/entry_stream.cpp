#include "launcher-linux/entry_stream.h"

#include <new>

#include "payload/zip_entry_reader.h"

namespace {

struct WappEntryStream {
  GInputStream parent;
  zip_entry_reader* reader;
};

struct WappEntryStreamClass {
  GInputStreamClass parent_class;
};

GType wapp_entry_stream_get_type();
G_DEFINE_TYPE(WappEntryStream, wapp_entry_stream, G_TYPE_INPUT_STREAM)

gssize read_entry(GInputStream* stream, void* buffer, gsize count, GCancellable*, GError** error) {
  zip_entry_reader* reader = ((WappEntryStream*)stream)->reader;
  size_t got = reader->read(buffer, count);
  if (got == 0 && reader->damaged()) {
    g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_INVALID_DATA, "the archive's entry is damaged");
    return -1;
  }
  return (gssize)got;
}

void finalize_entry(GObject* object) {
  delete ((WappEntryStream*)object)->reader;
  G_OBJECT_CLASS(wapp_entry_stream_parent_class)->finalize(object);
}

void wapp_entry_stream_class_init(WappEntryStreamClass* type) {
  G_INPUT_STREAM_CLASS(type)->read_fn = read_entry;
  G_OBJECT_CLASS(type)->finalize = finalize_entry;
}

void wapp_entry_stream_init(WappEntryStream* stream) { stream->reader = nullptr; }

}  // namespace

GInputStream* entry_input_stream_new(std::string_view archive, const zip_entry& entry) {
  auto* reader = new (std::nothrow) zip_entry_reader(archive, entry);
  if (!reader) return nullptr;
  auto* stream = (WappEntryStream*)g_object_new(wapp_entry_stream_get_type(), nullptr);
  stream->reader = reader;
  return G_INPUT_STREAM(stream);
}
