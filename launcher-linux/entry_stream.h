#pragma once
// An entry of the archive as a GIO input stream, inflated as the browser
// reads it, for entries too large to be held and checked whole before they
// are answered: a few kilobytes of memory whatever the entry's size. A
// damaged entry fails the read that would complete it, so the browser never
// takes it for whole. WebKit may read it on a thread of GIO's own: the
// stream uses nothing but the archive's bytes, which do not change.
#include <gio/gio.h>

#include <string_view>

#include "payload/zip_index.h"

// The archive's bytes must outlive the stream; null when memory is short.
GInputStream* entry_input_stream_new(std::string_view archive, const zip_entry& entry);
