#pragma once
// Which launcher a file is, told by its header and never by its name: a
// Windows executable (which starts with "MZ") or a Linux program (an ELF
// file that the system can run). The payload trailer is the same for both.
#include "payload/byte_source.h"

enum class program_kind { unknown, windows, linux_elf };

program_kind program_kind_of(const byte_source& source);

// "a Windows executable", "a Linux program", "neither a Windows executable
// nor a Linux program": for messages.
const char* program_kind_name(program_kind kind);

// The scheme the kind's launcher serves an app with a VirtualHost under
// (payload/virtual_host.h).
const char* served_scheme(program_kind kind);
