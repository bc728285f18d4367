#pragma once
// A file read through its open descriptor on Linux, at offsets (pread), so
// that the program's own file is read from its end without reading it all.
#include "payload/byte_source.h"

// The descriptor, which the caller keeps open, must outlive the source.
byte_source descriptor_source(const int& descriptor, uint64_t size);
