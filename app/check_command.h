#pragma once
// The memory file opened and checked, for a run and for --check; and
// quillmer --check FILE: what a run would write, with no radio and no port.

#include <optional>
#include <string>
#include <vector>

#include "channels/memory_file.h"
#include "console/console.h"
#include "core/exit_status.h"

namespace quillmer::app {

/// How the memory file was read: in our own layout, or, laid out by another
/// program, by its header's names.
struct FileReading {
    bool skip_unwritable = false;       ///< --skip-unwritable: erase rows that cannot be written
    bool by_header = false;             ///< read by its header; the file then holds our layout
    std::vector<std::string> warnings;  ///< of that reading, one line each without "\n"
};

/// Reads the memory file named on the command line into `file` and checks it,
/// as a run and --check both do. Nothing when it can be sent; otherwise the
/// status to end with, after printing why: the program's own text for no file
/// named (then the usage line) and for one that cannot be opened (then a line
/// with its name and the system's reason: missing, a folder, no permission),
/// a line for one too large to be a memory file, the check's message for a
/// refused one. A file the check refuses that is laid out by another program,
/// as its header says, is read by its header: a line says how, before anything
/// else of the file; its rows that cannot be written are each named and refuse
/// it, unless they are to be skipped; otherwise `file` then holds it in our own
/// layout.
std::optional<ExitStatus> open_memory_file(console::Console& console,
                                           const std::optional<std::string>& path,
                                           channels::MemoryFile& file, FileReading& reading);

/// Runs the memory file check of a real run; on a refusal prints its message
/// and gives memory_file_refused. Otherwise prints the preview below and gives
/// done. Without a file, or one that cannot be opened, prints the program's own
/// text for that. No banner, no key wait: it serves terminals and scripts.
ExitStatus run_check(console::Console& console, const std::optional<std::string>& memory_file,
                     bool skip_unwritable = false);

/// For a file that passed the check: a line for each warning of its reading and
/// of the file itself ("Warning: ..."), or nothing.
std::string warning_lines(const channels::MemoryFile& file, const FileReading& reading);

/// For a file that passed the check: a line naming the header it was read
/// with (or that it has none; none for a file read by its header, whose line
/// came before), a table of channels 0 to 399 made from the
/// very frames a run sends, decoded back (channel, frequency and offset in MHz,
/// duplex, mode, name, the call signs UR, RPT1 and RPT2, or "erase"); a summary line of rows
/// read and channels written and erased; a line for each warning.
std::string preview(const channels::MemoryFile& file, const FileReading& reading);

}  // namespace quillmer::app
