#pragma once
// What Windows says of an error code, for messages the launcher gives.
#include <windows.h>

#include <string>

// The system's words for the error (a module's own table first, when one is
// given, as WinHTTP keeps its errors), UTF-8, without the line end and the
// closing period; "" when it has none.
std::string system_message(DWORD error, HMODULE module = nullptr);
