#pragma once
// What a project's layout says about the folder being packed: an app packed
// from its sources or its project root shows a blank window, one packed from
// a build older than its sources shows yesterday's app. The packer warns
// before either happens, and its refusals name the next step (the build
// command from package.json's scripts, where the config's paths start).
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app_folder.h"
#include "project_config.h"

// "npm run build" when package.json has a build script, else "".
std::string build_command(const project_config& project);

// Warnings about packing what is not a build: an index.html that loads
// sources no browser runs, a folder that holds package.json and
// node_modules, a build older than the project's src/.
std::vector<std::string> build_warnings(const std::filesystem::path& app_dir, const app_folder& folder,
                                        std::string_view html, const project_config& project);

// The next step after a refusal, to follow its text: for a missing app
// folder, an output inside the app folder.
std::string missing_folder_advice(const project_config& project);
std::string output_inside_advice(const std::filesystem::path& app_dir, const project_config& project);
