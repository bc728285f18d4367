#include "launcher-common/renderer_recovery.h"

#include "payload/json_text.h"

namespace {

std::string html_text(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// A JSON string is a script string too, once nothing in it can end the
// script element.
std::string script_string(std::string_view text) {
  std::string quoted = json_quoted(text), out;
  for (char c : quoted) out += c == '<' ? std::string("\\u003c") : std::string(1, c);
  return out;
}

}  // namespace

std::string recovery_page(std::string_view app_name, std::string_view address) {
  const std::string name = html_text(app_name);
  return "<!doctype html><html><head><meta charset=\"utf-8\"><title>" + name +
         "</title><style>body{font:16px system-ui,sans-serif;margin:0;display:flex;align-items:center;"
         "justify-content:center;height:100vh;background:#f4f4f4;color:#222}main{max-width:32em;padding:2em}"
         "button{font:inherit;padding:.5em 1.5em}</style></head><body><main><h1>" +
         name +
         " stopped working</h1><p>Its page ended unexpectedly several times in a row, so it was not reloaded "
         "again. Nothing of the app's data is lost.</p><p><button id=\"reload\" autofocus>Reload</button></p></main>"
         "<script>document.getElementById(\"reload\").onclick=function(){location.replace(" +
         script_string(address) + ")};</script></body></html>";
}

unresponsive_question unresponsive_question_for(std::string_view app_name) {
  return {std::string(app_name) + " is not responding",
          std::string(app_name) + " has not answered for 10 seconds. Wait for it, or reload its page? Nothing of the "
                                  "app's data is lost by a reload."};
}
