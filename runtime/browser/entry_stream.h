#pragma once
// An entry of the app's archive as a COM stream, the body of a response the
// browser reads: the entry's bytes, checked whole before the answer (a stored
// entry's in place in the archive, a deflated one's inflated), or, for one
// too large to hold, inflated as the browser reads it, with a damaged entry
// failing the read that would complete it. The runtime may read a response
// on a thread of its own: the stream uses nothing but the archive's bytes,
// which do not change, and its own state.
#include <objidl.h>

#include <string>
#include <string_view>

#include "payload/zip_index.h"

namespace webview {

// The response body for the entry, or its `length` bytes from `start` (an
// entry too large to hold: from `start` to its end), with one reference;
// null for a damaged entry or when memory is short.
IStream* entry_stream_for(const zip_index& index, const zip_entry& entry, uint64_t start = 0,
                          uint64_t length = ~(uint64_t)0);

}  // namespace webview
