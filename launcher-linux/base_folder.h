#pragma once
// Which folders may hold what the launcher keeps for a run (its app folder,
// and anything else it makes beside it). Another user must not be able to
// rename what the launcher made there, nor put something of their own in
// its place: the folder and every folder above it belong to the user or to
// root, and none of them is writable by others unless it is sticky (as the
// shared /tmp is, where only a file's owner may rename it). The folder
// itself belongs to the user, or is a sticky one of root's.
#include <string>

// The folder's real path (links resolved) when it is such a folder; empty
// when it is not, or is not a folder at all.
std::string trusted_base_folder(const char* path);
