// The request's door and the methods behind it. A method reads its
// arguments through the checks below, each of which stops the call at the
// first thing wrong, before the method has done anything.
#include "launcher-common/page_api.h"

#include <cstdlib>

#include "launcher-common/app_boundary.h"
#include "launcher-common/app_tray.h"
#include "launcher-common/base64.h"
#include "payload/json_text.h"

// One request on its way through a method: its arguments, and the first
// thing found wrong with them.
struct page_api_call {
  page_api& api;
  const json_node& args;
  std::string error;
  // The reply to this call, for a method that settles it later, and the
  // request's id; answered_later once such a method took it.
  const std::function<void(std::string)>& later;
  std::string id;
  bool answered_later = false;

  bool failed(std::string why) {
    if (error.empty()) error = std::move(why);
    return false;
  }
  const json_node* member(const char* name) { return json_member_of(args, name); }
  int64_t handle_for(const std::string& path) { return api.handle_for(path); }

  // A text of at most max bytes; a missing optional one is "".
  bool text(const char* name, size_t max, std::string& out, bool required = true) {
    const json_node* value = member(name);
    if (!value && !required) return true;
    if (!value || value->kind != json_kind::string) return failed(std::string(name) + " must be a string");
    if (value->text.size() > max)
      return failed(std::string(name) + " is longer than " + std::to_string(max) + " bytes");
    out = value->text;
    return true;
  }

  bool boolean(const char* name, bool& out) {
    const json_node* value = member(name);
    if (!value) return true;
    if (value->kind != json_kind::boolean) return failed(std::string(name) + " must be true or false");
    out = value->text == "true";
    return true;
  }

  bool whole_number(const char* name, int64_t low, int64_t high, int64_t& out) {
    const json_node* value = member(name);
    std::string range = " must be a whole number from " + std::to_string(low) + " to " + std::to_string(high);
    if (!value || value->kind != json_kind::number) return failed(name + range);
    const std::string& t = value->text;
    // Integers only as the parser found them: no fraction, no exponent.
    bool digits = !t.empty() && t.size() <= 18 && t.find_first_not_of("-0123456789") == std::string::npos;
    long long number = digits ? std::strtoll(t.c_str(), nullptr, 10) : 0;
    if (!digits || number < low || number > high) return failed(name + range);
    out = number;
    return true;
  }

  // A handle the user's dialog gave in this run.
  bool handle(const std::string*& path) {
    int64_t number = 0;
    if (!whole_number("handle", 1, (int64_t)1 << 52, number)) return false;
    auto found = api.handles_.find(number);
    if (found == api.handles_.end())
      return failed("no file of this run has handle " + std::to_string(number) +
                    ": handles come from the open and save dialogs");
    path = &found->second;
    return true;
  }

  // The file data, in base64, decoded; at most the limit, never cut short.
  bool data(std::string& bytes) {
    const json_node* value = member("data");
    if (!value || value->kind != json_kind::string) return failed("data must be a string of base64");
    if (base64_decoded_size_at_most(value->text.size()) > page_api_data_limit + 2)
      return failed("data is larger than 64 MiB, the most one call carries");
    if (!base64_decoded(value->text, bytes)) return failed("data is not base64");
    if (bytes.size() > page_api_data_limit) return failed("data is larger than 64 MiB, the most one call carries");
    return true;
  }

  // A dialog's list of file types: [{description, extensions: ["md", ...]}].
  bool types(std::vector<file_type_filter>& out) {
    const json_node* value = member("types");
    if (!value) return true;
    const char* shape = "types must be a list of {description, extensions}";
    if (value->kind != json_kind::array) return failed(shape);
    if (value->items.size() > 32) return failed("types holds more than 32 entries");
    for (const json_node& item : value->items) {
      const json_node* description = json_member_of(item, "description");
      const json_node* extensions = json_member_of(item, "extensions");
      if (item.kind != json_kind::object || !description || description->kind != json_kind::string || !extensions ||
          extensions->kind != json_kind::array)
        return failed(shape);
      if (description->text.size() > 200) return failed("a type's description is longer than 200 bytes");
      if (extensions->items.size() > 32) return failed("a type holds more than 32 extensions");
      file_type_filter filter{description->text, {}};
      for (const json_node& extension : extensions->items) {
        std::string e = extension.kind == json_kind::string ? extension.text : "";
        if (!e.empty() && e[0] == '.') e.erase(0, 1);
        // Letters and digits only: a dialog's pattern must not be widened
        // or split by what the page writes.
        bool plain = !e.empty() && e.size() <= 16 &&
                     e.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-+") ==
                         std::string::npos;
        if (!plain) return failed("an extension must be 1 to 16 letters or digits, like \"md\"");
        filter.extensions.push_back(e);
      }
      out.push_back(filter);
    }
    return true;
  }
};

namespace {

using method_function = std::string (*)(page_api_call& call, page_api_system& system);

// A file the user picked, as the page knows it.
std::string picked_file(page_api_call& call, page_api_system& system, const std::string& path, int64_t size) {
  return "{\"name\":" + json_quoted(system.file_name(path)) + ",\"size\":" + std::to_string(size) +
         ",\"handle\":" + std::to_string(call.handle_for(path)) + "}";
}

std::string open_file(page_api_call& call, page_api_system& system) {
  std::vector<file_type_filter> types;
  bool multiple = false;
  if (!call.types(types) || !call.boolean("multiple", multiple)) return "";
  std::vector<std::string> paths = system.choose_files_to_open(types, multiple);
  std::string list = "[";
  for (const std::string& path : paths) {
    int64_t size = system.file_size(path);
    if (size < 0) {
      call.failed("cannot read " + system.file_name(path));
      return "";
    }
    if (list.size() > 1) list += ',';
    list += picked_file(call, system, path, size);
  }
  return list + "]";
}

std::string read_file(page_api_call& call, page_api_system& system) {
  const std::string* path = nullptr;
  if (!call.handle(path)) return "";
  int64_t size = system.file_size(*path);
  if (size > (int64_t)page_api_data_limit) {
    call.failed(system.file_name(*path) + " is larger than 64 MiB, the most one call carries");
    return "";
  }
  std::string bytes, problem;
  if (!system.read_file(*path, bytes, problem)) {
    call.failed("cannot read " + system.file_name(*path) + ": " + problem);
    return "";
  }
  // The file may have grown since it was measured.
  if (bytes.size() > page_api_data_limit) {
    call.failed(system.file_name(*path) + " is larger than 64 MiB, the most one call carries");
    return "";
  }
  return json_quoted(base64_encoded(bytes));
}

bool write(page_api_call& call, page_api_system& system, const std::string& path, const std::string& bytes) {
  std::string problem;
  if (system.write_file(path, bytes, problem)) return true;
  return call.failed("cannot write " + system.file_name(path) + ": " + problem);
}

std::string save_file(page_api_call& call, page_api_system& system) {
  std::string name, bytes;
  std::vector<file_type_filter> types;
  if (!call.text("suggestedName", 255, name, false) || !call.types(types) || !call.data(bytes)) return "";
  if (name.find_first_of(std::string("/\\:\0", 4)) != std::string::npos) {
    call.failed("suggestedName must be a file name, without folders");
    return "";
  }
  std::string path = system.choose_file_to_save(name, types);
  if (path.empty()) return "null";
  if (!write(call, system, path, bytes)) return "";
  return "{\"name\":" + json_quoted(system.file_name(path)) + ",\"handle\":" + std::to_string(call.handle_for(path)) +
         "}";
}

std::string write_file(page_api_call& call, page_api_system& system) {
  const std::string* path = nullptr;
  std::string bytes;
  if (!call.handle(path) || !call.data(bytes)) return "";
  return write(call, system, *path, bytes) ? "null" : "";
}

std::string open_external(page_api_call& call, page_api_system& system) {
  std::string address;
  if (!call.text("url", 8192, address)) return "";
  if (!may_open_in_user_browser(std::string_view(address))) {
    call.failed("only http:, https: and mailto: addresses open outside the app");
    return "";
  }
  if (!system.open_external(address)) call.failed("the system could not open the address");
  return "null";
}

std::string will_open(page_api_call& call, page_api_system& system) {
  std::string address;
  if (!call.text("url", 8192, address)) return "";
  system.announce_window(address);
  return "null";
}

std::string change_window(page_api_call& call, page_api_system& system, window_request request) {
  bool checked = true;
  if (request.change == window_change::set_title) checked = call.text("text", 4096, request.title);
  if (request.change == window_change::set_fullscreen) {
    checked = call.member("on") ? call.boolean("on", request.on) : call.failed("on must be true or false");
  }
  if (request.change == window_change::set_size)
    checked = call.whole_number("width", 1, 32767, request.width) &&
              call.whole_number("height", 1, 32767, request.height);
  if (!checked) return "";
  system.change_window(request);
  return "null";
}

template <window_change change>
std::string window_method(page_api_call& call, page_api_system& system) {
  window_request request;
  request.change = change;
  return change_window(call, system, request);
}

std::string reply(const std::string& id, const std::string& member, const std::string& value);
std::string rejection(const std::string& id, const std::string& why);

// The settling of a call that a method answers later, through the host's
// reply; false when the host takes none.
bool settled_later(page_api_call& call, const char* what, later_settle& settle) {
  if (!call.later) return call.failed(std::string(what) + " are not answered here");
  call.answered_later = true;
  settle = [later = call.later, id = call.id](const std::string& result, const std::string& error) {
    later(error.empty() ? reply(id, "result", result) : rejection(id, error));
  };
  return true;
}

template <update_step step>
std::string update_method(page_api_call& call, page_api_system& system) {
  later_settle settle;
  if (settled_later(call, "updates", settle)) system.update(step, std::move(settle));
  return "";
}

// {tooltip, menu: [{id, label, enabled, checked} or "-"]}
std::string tray_set(page_api_call& call, page_api_system& system) {
  tray_request request;
  if (!call.text("tooltip", longest_tray_tooltip, request.tooltip, false)) return "";
  const json_node* menu = call.member("menu");
  const char* shape = "menu must be a list of {id, label, enabled, checked} and \"-\"";
  if (menu && menu->kind != json_kind::array) return call.failed(shape), "";
  if (menu && menu->items.size() > most_tray_items)
    return call.failed("menu holds more than " + std::to_string(most_tray_items) + " items"), "";
  for (const json_node& entry : menu ? menu->items : std::vector<json_node>{}) {
    tray_item item;
    if (entry.kind == json_kind::string && entry.text == "-") {
      item.separator = true;
    } else {
      if (entry.kind != json_kind::object) return call.failed(shape), "";
      page_api_call one{call.api, entry, "", call.later, call.id};
      if (!one.text("id", longest_tray_item_id, item.id) || !one.text("label", longest_tray_label, item.label) ||
          !one.boolean("enabled", item.enabled) || !one.boolean("checked", item.checked))
        return call.failed("a menu item's " + one.error), "";
      if (item.id.empty() || item.label.empty()) return call.failed("a menu item needs an id and a label"), "";
    }
    request.items.push_back(item);
  }
  std::string problem;
  if (!system.set_tray(request, problem)) return call.failed(problem), "";
  return "null";
}

std::string tray_remove(page_api_call&, page_api_system& system) {
  system.remove_tray();
  return "null";
}

std::string tray_next(page_api_call& call, page_api_system& system) {
  later_settle settle;
  if (settled_later(call, "tray events", settle)) system.wait_for_tray(std::move(settle));
  return "";
}

const struct {
  const char* name;
  method_function run;
} methods[] = {
    {"openFile", open_file},
    {"readFile", read_file},
    {"saveFile", save_file},
    {"writeFile", write_file},
    {"openExternal", open_external},
    {"window.setTitle", window_method<window_change::set_title>},
    {"window.minimize", window_method<window_change::minimize>},
    {"window.maximize", window_method<window_change::maximize>},
    {"window.restore", window_method<window_change::restore>},
    {"window.setFullscreen", window_method<window_change::set_fullscreen>},
    {"window.close", window_method<window_change::close>},
    {"window.setSize", window_method<window_change::set_size>},
    {"window.willOpen", will_open},
    {"update.check", update_method<update_step::check>},
    {"update.install", update_method<update_step::install>},
    {"update.restart", update_method<update_step::restart>},
    {"tray.set", tray_set},
    {"tray.remove", tray_remove},
    {"tray.next", tray_next},
};

std::string reply(const std::string& id, const std::string& member, const std::string& value) {
  return "{\"wapp\":true,\"id\":" + id + ",\"" + member + "\":" + value + "}";
}

std::string rejection(const std::string& id, const std::string& why) { return reply(id, "error", json_quoted(why)); }

// The request's id as the reply repeats it: a whole number the page can
// have made, else null.
std::string id_of(const json_node& request) {
  const json_node* id = json_member_of(request, "id");
  if (!id || id->kind != json_kind::number || id->text.size() > 16 ||
      id->text.find_first_not_of("0123456789") != std::string::npos)
    return "null";
  return id->text;
}

// The \uXXXX escape at `at`, or -1.
long escaped_unit(std::string_view text, size_t at) {
  if (at + 6 > text.size() || text[at] != '\\' || text[at + 1] != 'u') return -1;
  long unit = 0;
  for (size_t i = at + 2; i < at + 6; i++) {
    int digit = app_boundary_detail::hex_digit(text[i]);
    if (digit < 0) return -1;
    unit = unit * 16 + digit;
  }
  return unit;
}

// A page's strings may hold half of a character ('\u{1F600}'.slice(0, 1)),
// which JSON.stringify writes as a lone \uD83D escape and no JSON reader
// takes: each becomes U+FFFD, so that the call is answered and a title or a
// file name shows where the half was.
std::string with_lone_surrogates_replaced(std::string_view message) {
  std::string out;
  out.reserve(message.size());
  for (size_t i = 0; i < message.size(); i++) {
    if (message[i] != '\\' || i + 1 >= message.size()) {
      out += message[i];
      continue;
    }
    long unit = escaped_unit(message, i);
    bool high = unit >= 0xD800 && unit < 0xDC00, low = unit >= 0xDC00 && unit < 0xE000;
    long next = high ? escaped_unit(message, i + 6) : -1;
    if (high && next >= 0xDC00 && next < 0xE000) {
      out.append(message.substr(i, 12));
      i += 11;
    } else if (high || low) {
      out += "\\ufffd";
      i += 5;
    } else {
      out.append(message.substr(i, 2));  // an escape of its own, \\ included
      i += 1;
    }
  }
  return out;
}

// The id of a message that is no JSON, when it can still be read from
// "id": followed by a whole number, so that the call it answers settles.
std::string id_in_text(std::string_view message) {
  size_t at = message.find("\"id\"");
  if (at == message.npos) return "null";
  at = message.find_first_not_of(" \t\r\n", at + 4);
  if (at == message.npos || message[at] != ':') return "null";
  at = message.find_first_not_of(" \t\r\n", at + 1);
  size_t end = at == message.npos ? at : message.find_first_not_of("0123456789", at);
  if (at == message.npos || end == at || end - at > 16) return "null";
  return std::string(message.substr(at, end == message.npos ? message.npos : end - at));
}

}  // namespace

int64_t page_api::handle_for(const std::string& path) {
  for (const auto& [number, known] : handles_)
    if (known == path) return number;
  handles_[next_handle_] = path;
  return next_handle_++;
}

bool page_api::announces_window(std::string_view message) {
  return message.substr(0, 256).find("\"method\":\"window.willOpen\"") != std::string_view::npos;
}

std::string page_api::refusal(std::string_view message, const std::string& why) {
  return rejection(id_in_text(message.substr(0, 256)), why);
}

std::optional<std::string> page_api::answer(std::string_view message, bool from_app_page,
                                           const std::function<void(std::string)>& later) {
  if (!from_app_page) return std::nullopt;
  if (message.size() > page_api_message_limit)
    return rejection("null", "the message is larger than a call may be: file data of at most 64 MiB");
  json_node request;
  json_text_error parse_error;
  if (!parse_json_text(with_lone_surrogates_replaced(message), request, parse_error))
    return rejection(id_in_text(message), "the message is not JSON");
  const json_node* marker = request.kind == json_kind::object ? json_member_of(request, "wapp") : nullptr;
  if (!marker) return std::nullopt;
  if (!key_.empty() && (marker->kind != json_kind::string || marker->text != key_)) return std::nullopt;
  std::string id = id_of(request);
  if (id == "null") return rejection(id, "the request's id must be a whole number");
  const json_node* method = json_member_of(request, "method");
  if (!method || method->kind != json_kind::string) return rejection(id, "the request's method must be a string");
  static const json_node no_arguments{json_kind::object, "", {}, {}};
  const json_node* args = json_member_of(request, "args");
  if (args && args->kind != json_kind::object) return rejection(id, "args must be an object");
  for (const auto& known : methods) {
    if (method->text != known.name) continue;
    page_api_call call{*this, args ? *args : no_arguments, "", later, id};
    std::string result = known.run(call, system_);
    if (call.answered_later) return "";
    return call.error.empty() ? reply(id, "result", result) : rejection(id, call.error);
  }
  std::string name = method->text.size() > 40 ? method->text.substr(0, 40) + "..." : method->text;
  return rejection(id, "no method " + name);
}
