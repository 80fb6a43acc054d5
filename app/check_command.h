#pragma once
// The memory file opened and checked, for a run and for --check; and
// quillmer --check FILE: what a run would write, with no radio and no port.

#include <optional>
#include <string>

#include "app/exit_status.h"
#include "channels/memory_file.h"
#include "console/console.h"

namespace quillmer::app {

/// Reads the memory file named on the command line into `file` and checks it,
/// as a run and --check both do. Nothing when it can be sent; otherwise the
/// status to end with, after printing why: the program's own text for no file
/// named (then the usage line) and for one that cannot be opened (then a line
/// with its name and the system's reason: missing, a folder, no permission),
/// a line for one too large to be a memory file, the check's message for a
/// refused one.
std::optional<ExitStatus> open_memory_file(console::Console& console,
                                           const std::optional<std::string>& path,
                                           channels::MemoryFile& file);

/// Runs the memory file check of a real run; on a refusal prints its message
/// and gives memory_file_refused. Otherwise prints the preview below and gives
/// done. Without a file, or one that cannot be opened, prints the program's own
/// text for that. No banner, no key wait: it serves terminals and scripts.
ExitStatus run_check(console::Console& console, const std::optional<std::string>& memory_file);

/// For a file that passed the check: a line for each of its warnings
/// ("Warning: ..."), or nothing.
std::string warning_lines(const channels::MemoryFile& file);

/// For a file that passed the check: a line naming the header it was read
/// with (or that it has none), a table of channels 0 to 399 made from the
/// very frames a run sends, decoded back (channel, frequency and offset in MHz,
/// duplex, mode, name, the call signs UR, RPT1 and RPT2, or "erase"); a summary line of rows
/// read and channels written and erased; a line for each warning.
std::string preview(const channels::MemoryFile& file);

}  // namespace quillmer::app
