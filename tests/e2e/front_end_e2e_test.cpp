// The program's front end as its user meets it: the banner, the memory file
// argument, the settings file beside the program or the port prompt, the retry
// after a port that does not open, and the end of input at the prompt.

#include <gtest/gtest.h>

#include "tests/e2e/fixture.h"
#include "tests/e2e/wire.h"

namespace quillmer::e2e {
namespace {

using sim::Model;

// A port number that names no device: /dev/ttyS3999 on POSIX, COM4000 on Windows.
constexpr long kNoSuchPort = 4000;

class FrontEnd : public EndToEnd {
  protected:
    /// The console from the first "Com:" (or, without it, from the end of the
    /// banner's credit line) on, past the memory file's warnings and the line
    /// that names where the port came from.
    static std::string after_banner(const std::string& transcript) {
        std::size_t at = transcript.find("\n\n", texts::kTitle.size());
        if (at == std::string::npos) return "";
        for (at += 2; transcript.compare(at, 9, "Warning: ") == 0 ||
                      transcript.compare(at, 10, "Port from ") == 0;) {
            at = transcript.find('\n', at) + 1;
        }
        return transcript.substr(at);
    }
};

TEST_F(FrontEnd, WithoutAMemoryFileTheProgramSaysSoAndEnds) {
    launch({});
    EXPECT_EQ(finish_after(texts::kNoArgument), status(ExitStatus::no_memory_file));
    EXPECT_TRUE(program().transcript().starts_with(texts::kTitle)) << program().transcript();
}

TEST_F(FrontEnd, AMemoryFileThatCannotBeOpenedEndsTheProgram) {
    launch({(settings_path().parent_path() / "no-such-file.csv").string()});
    EXPECT_EQ(finish_after(texts::kMemoryFileNotOpened),
              status(ExitStatus::memory_file_unreadable));
    EXPECT_EQ(occurrences(program().transcript(), "Com:"), 0u);
}

TEST_F(FrontEnd, SettingsFileNamingTheRadioGoesStraightToTheHandshake) {
    const auto& radio = start_radio(sim::model_config(Model::id91));
    const std::string memory = varied_memory_file(4);
    ProgramRun& run = launch_for(radio, memory);
    finish_written(radio, memory);
    const std::string transcript = run.transcript();
    EXPECT_TRUE(transcript.starts_with(texts::kTitle)) << transcript;
    EXPECT_TRUE(after_banner(transcript).starts_with("Com:" + port_of(radio) + "\n")) << transcript;
    EXPECT_TRUE(transcript.ends_with(std::string(texts::kWriteEnd) +
                                     std::string(native() ? texts::kPressKey : "")))
        << testing::PrintToString(transcript);
    EXPECT_EQ(occurrences(transcript, texts::kPortPrompt), 0u);
    EXPECT_EQ(occurrences(transcript, texts::kSettingsHelp1), 0u);
}

TEST_F(FrontEnd, SettingsNumberOfNoPortLeadsToThePromptAndNeverBackToTheSettingsFile) {
    const auto& radio = start_radio(sim::model_config(Model::id91));
    write_settings(std::to_string(kNoSuchPort) + "\n");
    const std::string memory = varied_memory_file(2);
    ProgramRun& run = launch({write_memory_file(memory)});
    ASSERT_TRUE(run.wait_for_text(texts::kPortPrompt));
    // Were the settings file read again, it would now lead to the radio.
    write_settings(port_of(radio) + "\n");
    // An answer without a number keeps the last number: the same port again.
    run.type("x\n");
    ASSERT_TRUE(run.wait_for_text(texts::kPortPrompt, 2));
    run.type(port_of(radio) + "\n");
    finish_written(radio, memory);

    const std::string shown = after_banner(run.transcript());
    // Each open error names the device tried and why it did not open.
    const std::string open_error = std::string(texts::kOpenError) + no_such_port_line(kNoSuchPort);
    const std::string expected_start = "Com:" + std::to_string(kNoSuchPort) + "\n" + open_error +
                                       prompt() + echo("x") + open_error + prompt() +
                                       echo(port_of(radio));
    EXPECT_TRUE(shown.starts_with(expected_start)) << testing::PrintToString(shown);
    EXPECT_EQ(occurrences(shown, "Com:"), 1u);
}

TEST_F(FrontEnd, EmptySettingsFileMeansPortZeroWhichDoesNotOpen) {
    write_settings("");
    ProgramRun& run = launch({write_memory_file(varied_memory_file(2))});
    ASSERT_TRUE(run.wait_for_text(texts::kPortPrompt));
    run.close_input();
    EXPECT_EQ(run.wait_exit(), status(ExitStatus::no_port));
    // The fixed texts as ever; between them, what was read and from where.
    const std::string shown_after = after_banner(run.transcript());
    const std::string read_line = "The first line of " + shown(settings_path()) + " is empty: ";
    EXPECT_TRUE(shown_after.starts_with("Com:0\n" + read_line)) << shown_after;
    EXPECT_NE(
        shown_after.find(".\n" + std::string(texts::kOpenError) + no_such_port_line(0) + prompt()),
        std::string::npos)
        << testing::PrintToString(run.transcript());
    EXPECT_EQ(occurrences(run.transcript(), texts::kPortPrompt), 1u);
}

TEST_F(FrontEnd, WithoutSettingsFileTheHelpNamesItAndThePromptTakesThePort) {
    const auto& radio = start_radio(sim::model_config(Model::id92));
    const std::string memory = varied_memory_file(5);
    ProgramRun& run = launch({write_memory_file(memory)});
    ASSERT_TRUE(run.wait_for_text(texts::kPortPrompt));
    run.type(port_of(radio) + "\n");
    finish_written(radio, memory);

    // After the help in Japanese, the two places a settings file may be.
    const std::string expected_start = std::string(texts::kSettingsHelp1) + shown(settings_path()) +
                                       std::string(texts::kSettingsHelp2) +
                                       std::string(texts::kSettingsHelp3) + settings_places_line() +
                                       prompt() + echo(port_of(radio));
    const std::string shown = after_banner(run.transcript());
    EXPECT_TRUE(shown.starts_with(expected_start)) << testing::PrintToString(shown);
    EXPECT_EQ(occurrences(shown, "Com:"), 0u);
}

TEST_F(FrontEnd, InputEndingAtThePromptOnAPipeEndsTheProgram) {
    launcher_.stdio = Stdio::pipes;
    ProgramRun& run = launch({write_memory_file(varied_memory_file(2))});
    run.close_input();
    EXPECT_EQ(run.wait_exit(), status(ExitStatus::no_port));
    EXPECT_EQ(occurrences(run.transcript(), texts::kPortPrompt), 1u) << run.transcript();
    EXPECT_EQ(occurrences(run.transcript(), texts::kSettingsHelp1), 1u);
}

TEST_F(FrontEnd, WholeRunOnPipesWithTheAnswersWrittenUpFront) {
    launcher_.stdio = Stdio::pipes;
    const auto& radio = start_radio(sim::model_config(Model::id91));
    const std::string memory = varied_memory_file(12);
    ProgramRun& run = launch({write_memory_file(memory)});
    run.type(port_of(radio) + "\n");
    run.close_input();
    // The final key wait ends with the input.
    EXPECT_EQ(run.wait_exit(), status(ExitStatus::written)) << run.transcript();
    EXPECT_EQ(occurrences(run.transcript(), texts::kWriteEnd), 1u);
    EXPECT_TRUE(run.transcript().ends_with(texts::kWriteEnd)) << "a key asked for on pipes";
    expect_whole_memory_written(settle(radio), memory);
}

}  // namespace
}  // namespace quillmer::e2e
