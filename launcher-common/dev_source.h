#pragma once
// A dev run (wapp-pack dev): the app's pages under the app's own origin, as
// the shipped program serves them, each request answered by the dev server
// the developer named (DevURL) or from the app's folder as it is on disk
// (DevFolder) instead of the archive. The rules both launchers follow; the
// HTTP client, the files and the reload on a change are each system's.
#include <string>
#include <string_view>

// The dev server's address for a page's request on the app's origin
// ("wapp://app.wapp/src/main.tsx?t=1" under wapp and app.wapp, with
// http://localhost:5173/: "http://localhost:5173/src/main.tsx?t=1"); false
// for an address of another origin, which the dev server never sees.
bool dev_server_address(std::string_view address, std::string_view scheme, std::string_view host,
                        std::string_view dev_url, std::string& target);

// Whether a header goes on between the page and the dev server: not those of
// one connection (Connection, Keep-Alive, Transfer-Encoding, Upgrade, TE,
// Trailer, Proxy-*), nor Host, which names the dev server, nor the
// encodings, since bodies pass through as the server sends them, never
// compressed (Accept-Encoding, Content-Encoding).
bool is_passed_header(std::string_view name);

// A redirect to the dev server itself stays on the app's origin; any other
// goes where it says, and the app's rules for addresses take it from there.
std::string dev_location(std::string_view location, std::string_view dev_url, std::string_view app_origin);

// The page a request gets when the dev server fails or refuses: 502, with
// the reason.
std::string dev_failure_page(std::string_view dev_url, std::string_view reason);

// The data folder's name for a dev run of the app of that name: apart from
// the users', so that a dev run never touches their stored data.
inline std::string dev_data_name(const std::string& name) { return name + "-dev"; }
