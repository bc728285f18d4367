#pragma once
// wapp-pack dev: the app in its real window while it is being written. The
// dev server (started by devCommand, or by someone else) answers the app's
// own origin in a dev program written for the run (the launcher with
// settings that name the dev source and no archive), or, without devUrl,
// the app folder is served as it is on disk. Closing the window ends the
// run and the dev command; so do Ctrl+C and SIGTERM (exit status 130, 143).
#include "wapp_pack.h"

int run_dev(pack_options options, const project_config& project, const tool_context& context);
