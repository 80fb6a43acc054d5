# Cross-compiles the programs for macOS 11 or later with Zig's C++ front end
# (clang with its own macOS headers, libc++ and a Mach-O linker), on Linux.
# QUILLMER_MACOS_ARCH names the architecture: arm64 (Apple silicon, the default)
# or x86_64 (Intel). tools/zig.sh installs Zig once, outside the source tree.
#
#   cmake -B build/mac -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/zig-macos.cmake \
#         -DQUILLMER_MACOS_ARCH=x86_64
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_VERSION 20)  # macOS 11

if(NOT QUILLMER_MACOS_ARCH)
    set(QUILLMER_MACOS_ARCH arm64)
endif()
if(QUILLMER_MACOS_ARCH STREQUAL "arm64")
    set(zig_arch aarch64)
elseif(QUILLMER_MACOS_ARCH STREQUAL "x86_64")
    set(zig_arch x86_64)
else()
    message(FATAL_ERROR "QUILLMER_MACOS_ARCH is arm64 or x86_64, not '${QUILLMER_MACOS_ARCH}'")
endif()
set(CMAKE_SYSTEM_PROCESSOR ${QUILLMER_MACOS_ARCH})

if(NOT QUILLMER_ZIG)
    execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/../tools/zig.sh
                    OUTPUT_VARIABLE QUILLMER_ZIG OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "tools/zig.sh could not provide Zig (status ${status})")
    endif()
    set(QUILLMER_ZIG "${QUILLMER_ZIG}" CACHE FILEPATH "Zig 0.11, the macOS cross compiler")
endif()
# Zig's clang for C++, and for the C of GoogleTest, which the tests compile.
set(CMAKE_CXX_COMPILER "${QUILLMER_ZIG}")
set(CMAKE_CXX_COMPILER_ARG1 c++)
set(CMAKE_CXX_COMPILER_TARGET ${zig_arch}-macos.11.0)
set(CMAKE_C_COMPILER "${QUILLMER_ZIG}")
set(CMAKE_C_COMPILER_ARG1 cc)
set(CMAKE_C_COMPILER_TARGET ${zig_arch}-macos.11.0)
# Zig's linker takes no -v, which CMake's rules for Apple's compilers pass when
# they ask the compiler for its include folders.
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/zig-macos-rules.cmake)
# Debian's LLVM tools (llvm-14) for the rest: its archiver writes the Mach-O
# flavour of archive for Mach-O objects.
set(CMAKE_AR /usr/bin/llvm-ar-14)
set(CMAKE_RANLIB /usr/bin/llvm-ranlib-14)
set(CMAKE_INSTALL_NAME_TOOL /usr/bin/llvm-install-name-tool-14)

# What Zig's macOS headers and libraries lack, made in the build folder (the
# top build's, which the checks CMake compiles are handed):
# - <util.h>, which declares openpty and forkpty; both are in libSystem.
# - libiconv: a text stub of the system's /usr/lib/libiconv.2.dylib with the
#   three functions the program calls, for find_package(Iconv).
if(NOT QUILLMER_ZIG_STUBS)
    set(QUILLMER_ZIG_STUBS "${CMAKE_BINARY_DIR}/zig-macos")
    # file(CONFIGURE) writes a file only when its text changes: no rebuild after
    # every configure.
    file(CONFIGURE OUTPUT "${QUILLMER_ZIG_STUBS}/include/util.h" @ONLY CONTENT [[
/* What macOS's <util.h> declares of the pseudo-terminal functions. */
#pragma once
#include <sys/types.h>
struct termios;
struct winsize;
#ifdef __cplusplus
extern "C" {
#endif
int openpty(int *, int *, char *, struct termios *, struct winsize *);
pid_t forkpty(int *, char *, struct termios *, struct winsize *);
#ifdef __cplusplus
}
#endif
]])
    file(CONFIGURE OUTPUT "${QUILLMER_ZIG_STUBS}/libiconv.tbd" @ONLY CONTENT [[
--- !tapi-tbd
tbd-version:     4
targets:         [ x86_64-macos, arm64-macos ]
install-name:    '/usr/lib/libiconv.2.dylib'
current-version: 7
compatibility-version: 7
exports:
  - targets:         [ x86_64-macos, arm64-macos ]
    symbols:         [ _iconv, _iconv_close, _iconv_open ]
...
]])
endif()
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES "${QUILLMER_ZIG_STUBS}/include")
set(Iconv_LIBRARY "${QUILLMER_ZIG_STUBS}/libiconv.tbd" CACHE FILEPATH "")
# <iconv.h> is one of Zig's own macOS headers, which every compile sees already.
cmake_path(GET QUILLMER_ZIG PARENT_PATH zig_home)
set(Iconv_INCLUDE_DIR "${zig_home}/lib/libc/include/any-macos-any" CACHE PATH "")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUILLMER_MACOS_ARCH QUILLMER_ZIG
     QUILLMER_ZIG_STUBS)

set(CMAKE_FIND_ROOT_PATH "${QUILLMER_ZIG_STUBS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
