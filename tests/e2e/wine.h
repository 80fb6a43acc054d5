#pragma once
// The Windows build of the program under Wine: quillmer.exe started through
// Wine in a prefix made for the test run, its COM ports symbolic links in that
// prefix to the simulated radios' pseudo-terminals.

#include <filesystem>

#include "tests/e2e/launcher.h"

namespace quillmer::e2e {

/// The program the Wine launcher runs: QUILLMER_E2E_PROGRAM in the environment,
/// or else the quillmer.exe named when the suite was configured.
std::filesystem::path windows_program();

/// Runs quillmer.exe under Wine in the prefix `run_dir`/prefix, which
/// tests/e2e/wine_run_dir.sh has made (it is not made here: making one takes
/// seconds and hundreds of megabytes, so a whole run shares it). Each start goes
/// through cmake/wine-emulator.sh, which starts a Wine session detached from the
/// program's pipes when none runs.
///
/// Standard input and output are pipes: under Wine a pseudo-terminal is no
/// console the program can read keys from. The transcript is the program's
/// code page 932 output decoded to UTF-8. A device is named as the number of a
/// COM port, `run_dir`/prefix/dosdevices/comN linked to it, N from 7 on (the
/// first free one, so that tests running at the same time do not share one);
/// the links go with the last copy of the launcher. Paths are shown as the
/// program sees them, on drive Z:.
///
/// Throws std::runtime_error when the prefix is missing.
Launcher wine_launcher(const std::filesystem::path& run_dir);

}  // namespace quillmer::e2e
