# Read after CMake's rules for the compiler (CMAKE_USER_MAKE_RULES_OVERRIDE of
# zig-macos.cmake): Zig's linker takes no -v, which those rules add to the -v
# that lists the compiler's own include and library folders.
set(CMAKE_C_VERBOSE_FLAG "-v")
set(CMAKE_CXX_VERBOSE_FLAG "-v")
