#pragma once
// The frame of every end-to-end test: a directory of its own holding a copy of
// the program, its settings file and the memory file; simulated radios; the
// program as a child process. Everything ends with the test, the program first.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/simulator.h"
#include "tests/e2e/launcher.h"
#include "tests/e2e/program.h"
#include "tests/e2e/temp_dir.h"

namespace quillmer::e2e {

/// Exit statuses as the program documents them.
inline constexpr int kWritten = 0;
inline constexpr int kNoMemoryFile = 1;
inline constexpr int kMemoryFileUnreadable = 2;
inline constexpr int kMemoryFileRefused = 3;
inline constexpr int kPortSettingsRefused = 4;
inline constexpr int kNoPort = 5;
inline constexpr int kRadioRefused = 6;
inline constexpr int kAborted = 7;
inline constexpr int kTooManyRows = 9;
inline constexpr int kUsage = 10;

class EndToEnd : public testing::Test {
  protected:
    EndToEnd();
    ~EndToEnd() override;

    /// Starts a simulated radio that lives until the test ends.
    sim::Simulator& start_radio(const sim::RadioConfig& config);
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

    /// Every channel of a successful run went out once, in order, in frames as
    /// the program should send them; the link closed once, last; the radio holds
    /// what `memory` says.
    static void expect_whole_memory_written(const sim::Snapshot& s, const std::string& memory);

    ProgramRun& program() { return *program_; }

    Launcher launcher_;

  private:
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

/// The texts the program shows, as its users see them on a UTF-8 console.
namespace text {
inline constexpr std::string_view kTitle = "\nQuillmer version 0.2";
inline constexpr std::string_view kPrompt = "ＣＯＭ番号を入力してください :";
inline constexpr std::string_view kOpenError = "オープン・エラー\n";
inline constexpr std::string_view kDetect91 = "detect ID-91\n";
inline constexpr std::string_view kDetect92 = "detect ID-92\n";
inline constexpr std::string_view kNoResponse = "No responce from ID-91/92\n\n";
inline constexpr std::string_view kActivate = "Activate ID-91/92 communication\n\n";
inline constexpr std::string_view kWriteStart = "Memory write start.\n\n";
inline constexpr std::string_view kWriteEnd = "\n\nMemory write end.\n";
inline constexpr std::string_view kTooManyRows = "メモリデータ＞３９９\n";
inline constexpr std::string_view kWriteError = "メモリ書き込みでエラー\n";
inline constexpr std::string_view kInputEnded = "\nStandard input has ended: no port to try.\n";
inline constexpr std::string_view kHelp1 = "プログラムと同じディレクトリにCOM番号のみ入れた\n";
inline constexpr std::string_view kHelp2 = "というファイルを作ると、\n";
inline constexpr std::string_view kHelp3 = "毎回COM番号を入れなくてすみます\n\n";
inline constexpr std::string_view kDcbError = "ＤＣＢのエラー\n";
/// How the line after an open error ends when the port may be missing.
inline constexpr std::string_view kListHint =
    " quillmer --ports lists the serial ports this machine has.\n";
/// The turning glyphs in the order they are shown, each followed by "\r".
inline constexpr std::string_view kSpinner[] = {"│\r", "／\r", "─\r", "＼\r"};
}  // namespace text

/// The channel counter for channel n: "ch:0123\r" for 123.
std::string counter(int channel);

}  // namespace quillmer::e2e
