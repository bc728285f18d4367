#pragma once
// The web app served under a URI scheme of the launcher's own, for the
// VirtualHost setting: the page opens wapp://host/index.html, where Windows
// opens https://HOST/index.html, and has a real origin (wapp://host, the
// host in lower case as the browser writes it), which module scripts,
// fetch, workers and WebAssembly need and a file:// page lacks. The scheme
// is registered as a web server's would be: secure (the page is a secure
// context) and CORS-enabled, never local, so that the page reaches its own
// files and nothing else.
//
// The files come straight from the archive in the launcher's own file,
// through its index: nothing is unpacked, and nothing but the archive's
// entries exists for the scheme.
#include <string>

#include <webkit2/webkit2.h>

#include "payload/zip_index.h"

// The scheme with its answers, registered as a web server's origin is:
// secure and CORS-enabled, never local.
void register_app_scheme(WebKitWebContext* context, WebKitURISchemeRequestCallback answer, gpointer data);

// Answers the scheme's requests for the host, in any letter case, with the
// entries the index finds (names the unpacking would skip are not found),
// checked whole before the answer when they are small enough, else
// streamed. Everything else, and a damaged entry, is 404. The index and its
// archive must outlive the context.
void serve_app_archive(WebKitWebContext* context, const std::string& host, const zip_index& index);

// The bytes an address of the scheme names, as the context serves them; null
// where it answers 404 or serves no archive. The engine downloads nothing of
// a scheme of ours: the launcher copies such entries.
GInputStream* open_served_entry(WebKitWebContext* context, const char* uri);
