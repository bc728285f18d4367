#pragma once
// wapp-pack keygen and wapp-pack publish: the developer's side of updates
// (updates/app_update.h is the programs').
#include <string>
#include <vector>

#include "wapp_pack.h"

// keygen FILE: a new key pair, FILE (the secret key, 0600) and FILE.pub;
// neither may exist.
int run_keygen(const std::vector<std::string>& args, const tool_context& context);
// publish PROGRAM... --key FILE -o DIR [--notes TEXT | --notes-file F]
int run_publish(const std::vector<std::string>& args, const tool_context& context);
