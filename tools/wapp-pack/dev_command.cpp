#include "dev_command.h"

#include <deque>

#include "dev_processes.h"
#include "launcher-common/app_boundary.h"
#include "text_paths.h"

namespace fs = std::filesystem;

namespace {

// The command's last lines, for a message when it fails.
struct last_lines {
  std::deque<std::string> lines;
  std::string partial;
  void add(const std::string& text) {
    for (char c : text) {
      if (c != '\n') {
        partial += c;
        continue;
      }
      lines.push_back(partial);
      partial.clear();
      if (lines.size() > 15) lines.pop_front();
    }
  }
  std::string shown() const {
    std::string out;
    for (const std::string& line : lines) out += "  | " + line + "\n";
    if (!partial.empty()) out += "  | " + partial + "\n";
    return out.empty() ? "  (it wrote nothing)\n" : out;
  }
};

// The dev command's output as it comes, kept for the message.
void pass_output(dev_process& command, last_lines& kept, const tool_context& context) {
  std::string text = command.take_output();
  if (text.empty()) return;
  kept.add(text);
  context.out << text << std::flush;
}

struct folder_removal {
  fs::path folder;
  ~folder_removal() {
    std::error_code ignored;
    if (!folder.empty()) fs::remove_all(folder, ignored);
  }
};

int dev_failed(const tool_context& context, const std::string& problem) {
  context.err << "wapp-pack dev: " << problem;
  return exit_failed;
}

}  // namespace

url_authority authority_of(const std::string& url) {
  app_boundary_detail::origin_parts<char> origin;
  address_origin(std::string_view(url), origin);
  url_authority a;
  a.authority = origin.host + (origin.port.empty() ? "" : ":" + origin.port);
  a.host = origin.host.starts_with("[") ? origin.host.substr(1, origin.host.size() - 2) : origin.host;
  a.port = origin.port.empty() ? std::to_string(app_boundary_detail::default_port(origin.scheme)) : origin.port;
  return a;
}

int run_dev(pack_options options, const project_config& project, const tool_context& context) {
  if (!options.dev_command.empty() && options.dev_url.empty())
    return context.err << "wapp-pack dev: --dev-command wants --dev-url too: the address where its server answers\n",
           exit_refused;
  if (options.dev_url.empty() && options.app_dir.empty())
    return context.err << "wapp-pack dev: no APP_DIR to serve and no --dev-url (see --help)\n", exit_refused;
  hear_interruptions();
  std::string problem;
  folder_removal temporary;
  if (!make_private_folder(temporary.folder, problem)) return dev_failed(context, problem + "\n");
#ifdef _WIN32
  const char* launcher_name = "app-dev.exe";
  options.targets = {program_kind::windows};
#else
  const char* launcher_name = "app-dev";
  options.targets = {program_kind::linux_elf};
#endif
  fs::path program = temporary.folder / launcher_name;
  options.output = utf8_of(program);
  options.dev = true;
  options.quiet = true;
  if (int status = pack_app(options, project, context); status != exit_done) return status;

  dev_process command, window;
  last_lines kept;
  if (!options.dev_command.empty()) {
    context.out << "wapp-pack dev: starting " << options.dev_command << "\n" << std::flush;
    if (!command.start_command(options.dev_command, project.folder, problem)) return dev_failed(context, problem + "\n");
  }
  if (!options.dev_url.empty()) {
    context.out << "wapp-pack dev: waiting for " << options.dev_url << "\n" << std::flush;
    for (int waited = 0;; waited += 100) {
      pass_output(command, kept, context);
      if (int status = interruption_status()) return status;
      int ended = 0;
      if (command.ended(ended)) {
        pass_output(command, kept, context);
        return dev_failed(context, "the dev command ended (status " + std::to_string(ended) + ") before " +
                                   options.dev_url + " answered; its last lines:\n" + kept.shown());
      }
      if (dev_server_answers(options.dev_url)) break;
      if (waited >= options.dev_wait * 1000)
        return dev_failed(context, "nothing answered at " + options.dev_url + " within " +
                                   std::to_string(options.dev_wait) + " seconds (--dev-wait)" +
                                   (options.dev_command.empty() ? "\n"
                                                                : "; the dev command's last lines:\n" + kept.shown()));
      sleep_ms(100);
    }
  }
#ifdef _WIN32
  // WebView2 opens Vite's hot-reload socket to the page's own host first
  // (wss://app.wapp, which no server answers), then to the dev server with
  // the page's wss: scheme, which a plain dev server does not speak.
  if (!options.dev_url.empty())
    context.out << "wapp-pack dev: for hot reload in the window, Vite needs in vite.config: "
                   "server: { hmr: { protocol: \"ws\", host: \"localhost\" } }\n";
#endif
  if (!window.start_program(program, problem)) return dev_failed(context, problem + "\n");
  int status = 0;
  while (!window.ended(status)) {
    pass_output(command, kept, context);
    if (interruption_status()) break;
    sleep_ms(50);
  }
  // The window first, then the dev command and everything it started.
  window.stop();
  command.stop();
  pass_output(command, kept, context);
  if (int heard = interruption_status()) return heard;
  return status == 0 ? exit_done : exit_failed;
}
