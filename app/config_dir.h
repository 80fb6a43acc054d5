#pragma once
// The settings file in the user's own configuration folder, for a program
// installed where a user cannot put a file beside it. config_dir_posix.cpp and
// config_dir_win32.cpp hold the platform parts.

#include <string>

namespace quillmer {

/// $XDG_CONFIG_HOME/quillmer/quillmer.ini, or ~/.config/quillmer/quillmer.ini
/// when XDG_CONFIG_HOME is unset or not an absolute path (POSIX);
/// %APPDATA%\Quillmer\quillmer.ini (Windows). Empty when the environment names
/// no such folder.
std::string user_settings_path();

}  // namespace quillmer
