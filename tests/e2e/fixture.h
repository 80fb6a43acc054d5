#pragma once
// The frame of every end-to-end test: a directory of its own holding a copy of
// the program, its settings file and the memory file; simulated radios; the
// program as a child process. Everything ends with the test, the program first.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/exit_status.h"
#include "core/texts.h"
#include "sim/simulator.h"
#include "tests/e2e/launcher.h"
#include "tests/e2e/program.h"
#include "tests/e2e/temp_dir.h"

namespace quillmer::e2e {

/// One of the program's exit statuses as ProgramRun::wait_exit() gives it.
constexpr int status(ExitStatus s) {
    return static_cast<int>(s);
}

class EndToEnd : public testing::Test {
  protected:
    EndToEnd();
    ~EndToEnd() override;

    /// Starts a simulated radio that lives until the test ends.
    sim::Simulator& start_radio(const sim::RadioConfig& config);
    /// Waits until `done`, named `what`, holds for what `radio` (simulated or
    /// replaying) has recorded. A failure that says what the radio heard and how
    /// the program stands when the time ran out, or once it cannot come: the
    /// radio has ended (its device is gone), or the program ended kAfterEnd ago.
    template <class Radio, class Done>
    testing::AssertionResult await(const Radio& radio, std::string_view what, const Done& done);
    /// Waits until `radio` has heard `count` frames of `kind`, as above.
    testing::AssertionResult await(const sim::Simulator& radio, sim::FrameKind kind,
                                   std::size_t count);
    /// Writes a memory file into the test's directory; its path.
    std::string write_memory_file(std::string_view text, std::string_view name = "memory.csv");
    /// Writes the settings file beside the program's copy.
    void write_settings(std::string_view text);
    std::filesystem::path settings_path() const;
    /// The settings file in the user's configuration folder, where the program
    /// looks when there is none beside it: in the test's own directory (the
    /// program is given XDG_CONFIG_HOME and HOME there, so that no configuration
    /// of this machine's user counts), or under Wine in the run's prefix.
    std::filesystem::path user_settings_path() const;
    /// That file as the program names it.
    std::string user_settings_shown() const;
    /// Writes it; it is removed when the test ends. Under Wine every test of the
    /// run would find it, so a test that writes it must run alone (RUN_SERIAL).
    void write_user_settings(std::string_view text);
    /// True when the program is the native build, not quillmer.exe under Wine:
    /// then its process is this test's child, to be looked at through /proc.
    bool native() const { return launcher_.wine_prefix.empty(); }
    /// A path of the test's directory as the program writes it.
    std::string shown(const std::filesystem::path& path) const;
    /// The answer that names the radio's port in the settings file or at the prompt.
    std::string port_of(const sim::Simulator& radio) const;
    /// What the console shows of an answer typed at the prompt: the terminal
    /// echoes it, pipes do not.
    std::string echo(const std::string& answer) const;
    /// The device the program opens for port number `number`: /dev/ttyS<n-1>
    /// (none below 1) natively, \\.\COM<n> under Wine.
    std::string device_for_number(long number) const;
    /// The line after the open error for a port number that names no device
    /// here.
    std::string no_such_port_line(long number) const;
    /// The settings help's English line: where a settings file may go.
    std::string settings_places_line() const;
    /// The port prompt, after its English line.
    static std::string prompt() {
        return std::string(texts::kPortPromptHelp).append(texts::kPortPrompt);
    }

    /// The program's copy in the test's directory, made on first use.
    const std::filesystem::path& program_copy();
    /// Starts the program's copy with `args`; the test's one program. A test may
    /// start it again once it has ended.
    ProgramRun& launch(const std::vector<std::string>& args);
    /// Starts it with the settings file naming `radio` and `memory_text` as the
    /// memory file.
    ProgramRun& launch_for(const sim::Simulator& radio, std::string_view memory_text);
    /// Waits for `last_text` (the program's last words before its final key
    /// wait), answers the key wait (a key on a terminal, the end of input on
    /// pipes) and gives the exit status. ProgramRun::kTimedOut, with a failure
    /// of the test, when the text never came.
    int finish_after(std::string_view last_text);
    /// `radio`'s port as messages name it; the line when nothing came back from it.
    std::string named(const sim::Simulator& radio) const;
    std::string nothing_answered(const sim::Simulator& radio) const;

    /// Finishes the run after the write's end, expects the whole of `memory`
    /// written into `radio`, and gives what the radio heard.
    sim::Snapshot finish_written(const sim::Simulator& radio, const std::string& memory);
    /// The same for a run started with launch_for(radio, memory).
    sim::Snapshot run_to_success(const sim::Simulator& radio, const std::string& memory);

    /// Every channel of a successful run went out once, in order, in frames as
    /// the program should send them; the link closed once, last; the radio holds
    /// what `memory` says.
    static void expect_whole_memory_written(const sim::Snapshot& s, const std::string& memory);
    /// Channels 0 to `count` - 1 hold what `memory` says; no frame reached the
    /// others.
    static void expect_first_channels_stored(const sim::Snapshot& s, const std::string& memory,
                                             int count);

    ProgramRun& program() { return *program_; }

    Launcher launcher_;

  private:
    /// await()'s failure.
    testing::AssertionResult awaited_in_vain(std::string_view what, bool radio_ended,
                                             const std::vector<sim::ReceivedFrame>& heard);

    TempDir dir_;
    std::filesystem::path copy_;
    bool wrote_user_settings_ = false;
    std::vector<std::unique_ptr<sim::Simulator>> radios_;
    std::unique_ptr<ProgramRun> program_;  // after the radios: it ends before them
};

/// A memory file with a header line and `rows` data rows that vary every column
/// the program reads: frequencies with six, four or no decimals and leading
/// spaces, every mode and duplex spelling the check takes, offsets, short,
/// long, empty and space-led names, a quotation mark inside a name, call fields
/// present, short and missing, and rows without a frequency. Lines end in
/// "\r\n" when `crlf`.
std::string varied_memory_file(int rows, bool crlf = false);

/// Radios that never answer: an ID-91 not at all, an ID-92 not READY_PROBE,
/// for which the transfer waits, with keep-alives, until a key stops it.
sim::RadioConfig silent_id91();
sim::RadioConfig never_ready_id92();

/// The turning glyph of the handshake's `n`-th call as the console shows it.
std::string spinner(int n);

/// How the line after an open error ends when the port may be missing.
inline constexpr std::string_view kListHint =
    " quillmer --ports lists the serial ports this machine has.\n";
/// The start of the message when the serial device went away.
inline constexpr std::string_view kGone =
    "The serial device went away (cable pulled or device removed)";
/// The last line when the memory file is refused before any port is opened.
inline constexpr std::string_view kNothingSent = "Nothing was sent to the radio.\n";

/// A parameterised test's row as its messages and names show it: by its `name`
/// (name the test with testing::PrintToStringParamName()).
template <class Row>
requires requires(const Row& row) {
    row.name;
}
void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

/// The channel counter for channel n: "ch:0123\r" for 123.
std::string counter(int channel);

/// The whole of a file; fails the test when it cannot be read.
std::string read_file(const std::filesystem::path& path);

template <class Radio, class Done>
testing::AssertionResult EndToEnd::await(const Radio& radio, std::string_view what,
                                         const Done& done) {
    const auto deadline = std::chrono::steady_clock::now() + kWait;
    bool came = false;
    bool radio_ended = false;
    do {
        // Short steps, so that the program's end is seen while nothing comes.
        radio.wait_for(
            [&](const auto& state) {
                came = done(state);
                radio_ended = !state.running;
                return came || radio_ended;
            },
            100ms);
        if (came) return testing::AssertionSuccess();
    } while (!radio_ended && !(program_ && program_->ended(kAfterEnd)) &&
             std::chrono::steady_clock::now() < deadline);
    if constexpr (requires { radio.frames(); }) {
        return awaited_in_vain(what, radio_ended, radio.frames());
    } else {
        return awaited_in_vain(what, radio_ended, radio.state().frames);
    }
}

}  // namespace quillmer::e2e
