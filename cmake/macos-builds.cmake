# quillmer_macos_builds([CMAKE_ARGS <args...>] [DEPENDS <targets...>]): these
# sources built for macOS by Zig (cmake/zig-macos.cmake), once for arm64 and once
# for x86_64, each a project of its own in <this build>/macos-<arch>: a build
# tree has one compiler and one target. The external projects are named
# macos_arm64 and macos_x86_64; they build one after the other, after DEPENDS,
# so that no two builds share the two cores. The programs cannot run here, so
# their tests are built and not run.
include(ExternalProject)

set(QUILLMER_MACOS_ARCHS arm64 x86_64)

function(quillmer_macos_builds)
    cmake_parse_arguments(ARG "" "" "CMAKE_ARGS;DEPENDS" ${ARGN})
    set(after ${ARG_DEPENDS})
    foreach(arch IN LISTS QUILLMER_MACOS_ARCHS)
        ExternalProject_Add(macos_${arch}
            SOURCE_DIR ${PROJECT_SOURCE_DIR}
            BINARY_DIR ${CMAKE_BINARY_DIR}/macos-${arch}
            CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/zig-macos.cmake
                       -DQUILLMER_MACOS_ARCH=${arch} -DCMAKE_BUILD_TYPE=Release
                       -DQUILLMER_WERROR=ON ${ARG_CMAKE_ARGS}
            BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --parallel 2
            INSTALL_COMMAND ""
            BUILD_ALWAYS ON
            DEPENDS ${after})
        set(after macos_${arch})
    endforeach()
endfunction()
