# Cross-compiles quillmer.exe for 64-bit Windows with MinGW-w64 (Debian's
# g++-mingw-w64-x86-64-posix). The posix flavour is the one whose C++ library
# has std::thread and std::this_thread::sleep_for.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(quillmer_mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${quillmer_mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${quillmer_mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${quillmer_mingw_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${quillmer_mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One .exe that runs on its own: the C and C++ runtimes and winpthread are
# linked in, so no DLL has to travel with it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
