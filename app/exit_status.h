#pragma once
// The program's exit statuses: 0 only when the whole memory was written and
// acknowledged. Each status's wording lives in kExitStatuses, which --help and
// the trace print and against which the README and the manual page are held.

#include <array>
#include <string_view>

namespace quillmer {

enum class ExitStatus : int {
    written = 0,                 ///< all 400 channels written and acknowledged
    done = 0,                    ///< an option's work (--help, --version, ...) done
    no_memory_file = 1,          ///< no memory file named on the command line
    memory_file_unreadable = 2,  ///< the memory file cannot be opened
    memory_file_refused = 3,     ///< the memory file failed its check: nothing sent
    port_settings_refused = 4,   ///< the port driver refused the line settings
    no_port = 5,                 ///< standard input ended at the port prompt
    radio_refused = 6,           ///< the radio refused a channel (NG)
    aborted = 7,                 ///< Esc during the transfer, or Ctrl-C at any point
    device_gone = 8,             ///< the serial device vanished during the transfer
    too_many_rows = 9,           ///< 400 channels written; the file holds more data rows
    usage = 10,                  ///< the command line was not understood
    never_ready = 11,            ///< the radio never said it was ready, and no key could come
};

/// One exit status in words: `name` is the short phrase a trace ends with,
/// `meaning` the whole sentence the usage and the documents give.
struct ExitStatusText {
    ExitStatus status;
    std::string_view name;
    std::string_view meaning;
};

/// Every exit status, in the order of their numbers.
inline constexpr std::array<ExitStatusText, 12> kExitStatuses{{
    {ExitStatus::done, "done",
     "done: all 400 channels written and acknowledged, or the option's work done"},
    {ExitStatus::no_memory_file, "no memory file named", "no memory file named"},
    {ExitStatus::memory_file_unreadable, "the memory file cannot be opened",
     "the memory file cannot be opened"},
    {ExitStatus::memory_file_refused, "the memory file failed its check; nothing was sent",
     "the memory file failed its check; nothing was sent"},
    {ExitStatus::port_settings_refused, "the port driver refused the line settings",
     "the port driver refused the line settings"},
    {ExitStatus::no_port, "no port to try",
     "no port to try: input ended at the port prompt, or the --port port failed"},
    {ExitStatus::radio_refused, "the radio refused a channel", "the radio refused a channel"},
    {ExitStatus::aborted, "stopped by Esc or Ctrl-C", "stopped by Esc or Ctrl-C"},
    {ExitStatus::device_gone, "the serial device vanished",
     "the serial device vanished during the transfer"},
    {ExitStatus::too_many_rows, "400 channels written; the file holds more data rows",
     "400 channels written, but the file holds more data rows"},
    {ExitStatus::usage, "the command line was not understood",
     "the command line was not understood, or its --trace FILE cannot be written"},
    {ExitStatus::never_ready, "the radio never said it was ready",
     "the radio never said it was ready, and with the input ended no key could stop the "
     "wait: it ended after 60 seconds"},
}};

/// The words of `status`.
constexpr const ExitStatusText& exit_status_text(ExitStatus status) {
    return kExitStatuses[static_cast<std::size_t>(status)];
}

static_assert(
    [] {
        for (std::size_t i = 0; i < kExitStatuses.size(); ++i) {
            if (static_cast<std::size_t>(kExitStatuses[i].status) != i) return false;
        }
        return true;
    }(),
    "kExitStatuses lists every status at the index of its number");

}  // namespace quillmer
