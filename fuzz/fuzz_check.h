#pragma once
// What a fuzz target asserts. Kept in every build type (NDEBUG does not remove it),
// and a failure aborts: libFuzzer saves the input as a crash, and the corpus replay
// fails its test.

#include <cstdio>
#include <cstdlib>

namespace quillmer::fuzz {

[[noreturn]] inline void check_failed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}

}  // namespace quillmer::fuzz

/// Aborts with the condition's text and place when it is false.
#define QUILLMER_FUZZ_CHECK(condition)                                                    \
    do {                                                                                  \
        if (!(condition)) ::quillmer::fuzz::check_failed(#condition, __FILE__, __LINE__); \
    } while (false)
