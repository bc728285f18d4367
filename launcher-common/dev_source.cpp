#include "launcher-common/dev_source.h"

namespace {

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
  return out;
}

// scheme://host[:port] of an address, in lower case.
std::string origin_of(std::string_view address) {
  size_t start = address.find("://");
  if (start == address.npos) return "";
  size_t end = address.find_first_of("/?#", start + 3);
  return lower(address.substr(0, end));
}

std::string escaped_html(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '&') out += "&amp;";
    else if (c == '"') out += "&quot;";
    else out += c;
  }
  return out;
}

// The dev server's address without its last "/": the app's root maps to it.
std::string_view dev_prefix(std::string_view dev_url) {
  return dev_url.ends_with("/") ? dev_url.substr(0, dev_url.size() - 1) : dev_url;
}

}  // namespace

bool dev_server_address(std::string_view address, std::string_view scheme, std::string_view host,
                        std::string_view dev_url, std::string& target) {
  std::string own = lower(scheme) + "://" + lower(host);
  if (origin_of(address) != own) return false;
  std::string_view rest = address.substr(own.size());
  rest = rest.substr(0, rest.find('#'));
  target = std::string(dev_prefix(dev_url)) + (rest.starts_with("/") ? "" : "/") + std::string(rest);
  return true;
}

bool is_passed_header(std::string_view name) {
  std::string n = lower(name);
  return !(n == "connection" || n == "keep-alive" || n == "transfer-encoding" || n == "upgrade" || n == "te" ||
           n == "trailer" || n.starts_with("proxy-") || n == "host" || n == "accept-encoding" ||
           n == "content-encoding");
}

std::string dev_location(std::string_view location, std::string_view dev_url, std::string_view app_origin) {
  std::string_view prefix = dev_prefix(dev_url);
  if (lower(location.substr(0, prefix.size())) != lower(prefix)) return std::string(location);
  std::string_view rest = location.substr(prefix.size());
  if (!rest.empty() && rest[0] != '/' && rest[0] != '?') return std::string(location);
  return std::string(app_origin) + std::string(rest);
}

std::string dev_failure_page(std::string_view dev_url, std::string_view reason) {
  return "<!doctype html><meta charset=utf-8><title>502 The dev server did not answer</title>"
         "<h1>The dev server did not answer</h1><p>" +
         escaped_html(dev_url) + ": " + escaped_html(reason) + "</p>";
}
