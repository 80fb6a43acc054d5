#pragma once
// Where the running program's file is, from the operating system (the first
// argument may be a bare name found on PATH). exe_path_posix.cpp and
// exe_path_win32.cpp hold the platform parts.

#include <string>

namespace quillmer {

/// The full path of the program file; `argv0` when the system cannot tell.
std::string executable_path(const char* argv0);

}  // namespace quillmer
