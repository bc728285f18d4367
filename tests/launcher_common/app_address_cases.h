#pragma once
// Which addresses are the app's own, for each kind of app a launcher shows:
// one table that both launchers' rules run through (their tests substitute
// their own folder and served scheme), with the few answers where the
// systems differ on purpose. In the addresses, "file://{F}" stands for the
// folder's address as the engine writes it ("{U}": the same in capitals),
// "file://{L}" for the folder of a site that starts at file://{L}/index.html,
// and "{S}" for the scheme the app's host is served under.
#include <string>

enum app_kind { folder_app, host_app, site_app, local_site_app, blank_site_app, relative_site_app, local_server_app };

// The start addresses of the sites; the folder and host apps are each
// system's, with the host "App.Wapp".
inline const char* const site_starts[] = {"", "", "https://Start.test/home?x=1", "file://{L}/index.html",
                                          "data:text/html,<p>hi", "index.html", "http://[::1]:8080/app/"};

struct app_address_case {
  app_kind app;
  const char* address;
  bool own_on_windows, own_on_linux;
};

inline const app_address_case app_address_cases[] = {
    // As the engines write the folder's addresses back.
    {folder_app, "file://{F}/index.html", true, true},
    {folder_app, "file://{F}/docs/caf%C3%A9%20b.html?q#top", true, true},
    {folder_app, "file://{F}", true, true},
    {folder_app, "file://localhost{F}/", true, true},
    // Windows compares file names in any case and wants them in UTF-8;
    // Linux names keep their case and may be any bytes.
    {folder_app, "FILE://{U}/DOCS/A.HTML", true, false},
    {folder_app, "file://{F}/%FF.html", false, true},
    // Beside the folder, above it, out of it, or on another machine.
    {folder_app, "file://{F}-2/index.html", false, false},
    {folder_app, "file://{F}.zip", false, false},
    {folder_app, "file://{F}/../secret.txt", false, false},
    {folder_app, "file://{F}/%2E%2E/secret.txt", false, false},
    {folder_app, "file://{F}/docs/./a.html", false, false},
    {folder_app, "file://server{F}/index.html", false, false},
    {folder_app, "{S}://app.wapp/index.html", false, false},
    {folder_app, "about:blank", false, false},
    {folder_app, "blob:null/5a3c", false, false},
    // A served folder is its host alone, in any case, on its port.
    {host_app, "{S}://app.wapp/index.html", true, true},
    {host_app, "{S}://APP.WAPP/js/app.js", true, true},
    {host_app, "{S}://user@app.wapp/", true, true},
    {host_app, "http://app.wapp/index.html", false, false},
    {host_app, "{S}://app.wapp:8443/", false, false},
    {host_app, "{S}://app.wapp.example.test/", false, false},
    {host_app, "{S}://example.test/@app.wapp/", false, false},
    {host_app, "{S}://app.wapp@example.test/", false, false},
    {host_app, "file://{F}/index.html", false, false},
    // A site is its start address's origin.
    {site_app, "https://start.test/", true, true},
    {site_app, "https://START.test:443/other/page", true, true},
    {site_app, "http://start.test/", false, false},
    {site_app, "https://start.test:444/", false, false},
    {site_app, "https://login.start.test/", false, false},
    {site_app, "https://start.test.example/", false, false},
    {local_server_app, "http://[::1]:8080/other", true, true},
    {local_server_app, "http://[::1]/app/", false, false},
    {local_server_app, "http://[::2]:8080/app/", false, false},
    {local_server_app, "http://[::1]:99999/app/", false, false},
    // Start addresses without a host: a file's folder, or the scheme.
    {local_site_app, "file://{L}/help/a.html", true, true},
    {local_site_app, "file://{L}-2/a.html", false, false},
    {local_site_app, "file://{L}/../secret.txt", false, false},
    {blank_site_app, "data:text/html,%3Cp%3Ehi", true, true},
    {blank_site_app, "about:blank", false, false},
    // Whatever the start address is, the app may open it.
    {relative_site_app, "index.html", true, true},
    {relative_site_app, "other.html", false, false},
};

struct app_address_places {
  std::string folder, site_folder, scheme;  // {F}, {L} and {S}
};

// The text with its places filled in.
inline std::string with_places(std::string text, const app_address_places& places) {
  std::string upper = places.folder;
  for (char& c : upper) c = c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
  const std::pair<std::string, std::string> marks[] = {
      {"{F}", places.folder}, {"{U}", upper}, {"{L}", places.site_folder}, {"{S}", places.scheme}};
  for (const auto& [mark, value] : marks)
    for (size_t at; (at = text.find(mark)) != text.npos;) text.replace(at, mark.size(), value);
  return text;
}
