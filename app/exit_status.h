#pragma once
// The program's exit statuses: 0 only when the whole memory was written and
// acknowledged.

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

}  // namespace quillmer
