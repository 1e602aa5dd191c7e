#pragma once

#include <optional>
#include <string>

struct mpv_handle;

namespace mci::mpv {

// Creates and initialises an mpv player set up for embedding: no config
// files, scripts, terminal, OSD or key bindings, and never following a file
// to other files (playlists, references, ordered chapters). extraOptions are
// "name=value" pairs applied after those. Null on failure.
mpv_handle* create(std::initializer_list<std::pair<const char*, const char*>> extraOptions);

// mpv_terminate_destroy, null allowed.
void destroy(mpv_handle* handle);

std::optional<double> getDouble(mpv_handle* handle, const char* name);
std::optional<int64_t> getInt(mpv_handle* handle, const char* name);
std::optional<bool> getFlag(mpv_handle* handle, const char* name);
std::optional<std::string> getString(mpv_handle* handle, const char* name);

} // namespace mci::mpv
