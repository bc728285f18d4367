#include <iostream>

#include "interruption.h"
#include "text_paths.h"
#include "wapp_pack.h"

#ifdef _WIN32
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> args;
  for (int i = 1; i < argc; i++) args.push_back(utf8_of(std::filesystem::path(argv[i])));
#else
int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
#endif
  remove_output_on_interruption();
  tool_context context{program_directory(), std::cout, std::cerr, is_terminal(stderr)};
  int status = run_wapp_pack(args, context);
  std::cout.flush();
  return status;
}
