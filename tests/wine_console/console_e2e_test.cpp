// quillmer.exe as a Windows user runs it: in a console of its own, under Wine.
// The console driver (driver.cpp, a Windows program) types key events into
// that console and reads its screen back, following a script; the simulated
// radio runs here, on a pseudo-terminal that a COM port of the Wine prefix
// leads to. Each test is one run of the driver: the script says what to type
// and what must show, and the test then looks at what reached the radio.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tests/e2e/fixture.h"
#include "tests/e2e/wine.h"
#include "tests/e2e/wire.h"

namespace quillmer::e2e {
namespace {

using namespace std::chrono_literals;
using sim::FrameKind;
using sim::Model;

/// A script for the driver, one step a line.
using Script = std::vector<std::string>;

/// `text` as a step's argument: backslashes doubled, line breaks as \n.
std::string escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string wait_for(std::string_view text) {
    return "wait " + escaped(text);
}

/// The screens the driver printed, in order.
std::vector<std::string> screens_in(std::string_view report) {
    constexpr std::string_view kStart = "--- screen\n";
    constexpr std::string_view kEnd = "\n--- end\n";
    std::vector<std::string> screens;
    for (std::size_t at = report.find(kStart); at != std::string_view::npos;
         at = report.find(kStart, at)) {
        at += kStart.size();
        const std::size_t end = report.find(kEnd, at);
        if (end == std::string_view::npos) break;
        screens.emplace_back(report.substr(at, end - at));
        at = end + kEnd.size();
    }
    return screens;
}

std::size_t channel_frames(const sim::Snapshot& s) {
    return sim::count_of(s.frames, FrameKind::write) + sim::count_of(s.frames, FrameKind::erase);
}

class WineConsole : public EndToEnd {
  protected:
    WineConsole() {
        const char* run_dir = std::getenv("QUILLMER_WINE_CONSOLE_DIR");
        if (run_dir == nullptr || *run_dir == '\0') {
            throw std::runtime_error(
                "QUILLMER_WINE_CONSOLE_DIR names no Wine directory: run these tests with ctest");
        }
        launcher_ = wine_launcher(run_dir);
        // QUILLMER_E2E_PROGRAM points these tests at another quillmer.exe, as it
        // does the other end-to-end tests.
        const char* other = std::getenv("QUILLMER_E2E_PROGRAM");
        launcher_.program = other != nullptr && *other != '\0' ? other : QUILLMER_CONSOLE_PROGRAM;
        // What the test reads is the driver's report, in UTF-8; the program
        // writes to its console.
        launcher_.output_encoding.clear();
    }

    /// Runs the driver with `script` against the program with the memory file
    /// `memory`; a failure of the test unless every step passed. The driver's
    /// report is in program().transcript().
    void drive(const Script& script, std::string_view memory) {
        std::string text;
        for (const std::string& step : script) text += step + "\n";
        const std::string script_file = write_memory_file(text, "script.txt");
        launcher_.argv_prefix = {QUILLMER_E2E_WINE_START, QUILLMER_CONSOLE_DRIVER, "--script",
                                 script_file, "--"};
        ProgramRun& run = launch({write_memory_file(memory)});
        EXPECT_EQ(run.wait_exit(), 0) << "the driver's report:\n"
                                      << run.transcript() << run.errors();
    }

    /// The n-th screen the script printed; empty, with a failure, when none.
    std::string screen(std::size_t n) {
        const std::vector<std::string> screens = screens_in(program().transcript());
        if (n < screens.size()) return screens[n];
        ADD_FAILURE() << "no screen " << n << " in the driver's report:\n"
                      << program().transcript();
        return {};
    }

    /// A radio answering at once or after `ack_delay`, named in the settings file.
    const sim::Simulator& radio_in_settings(std::chrono::milliseconds ack_delay) {
        sim::RadioConfig config = sim::model_config(Model::id91);
        config.ack_delay = ack_delay;
        const sim::Simulator& radio = start_radio(config);
        write_settings(port_of(radio) + "\n");
        return radio;
    }

    /// The help lines and the prompt, as the program shows them without a
    /// settings file (the English line between them left out).
    std::string settings_help() const {
        return std::string(texts::kSettingsHelp1) + shown(settings_path()) +
               std::string(texts::kSettingsHelp2) + std::string(texts::kSettingsHelp3) +
               std::string(texts::kPortPrompt);
    }

    /// The screen without the English lines the program adds to the fixed texts,
    /// each of which must be there once: the place of the settings file after the
    /// help lines, the line before each prompt, and the reason after an open error.
    static std::string without_added_lines(std::string screen,
                                           const std::vector<std::string_view>& starts) {
        for (const std::string_view start : starts) {
            const std::size_t at = screen.find(std::string("\n").append(start));
            EXPECT_NE(at, std::string::npos) << "no line starting " << start << " in\n" << screen;
            if (at == std::string::npos) continue;
            std::size_t end = screen.find('\n', at + 1);
            // The settings line is followed by an empty line of its own.
            if (end != std::string::npos && screen.compare(end, 2, "\n\n") == 0) ++end;
            screen.erase(at + 1, end == std::string::npos ? std::string::npos : end - at);
        }
        return screen;
    }
};

constexpr std::string_view kSettingsPlaces = "Not to be asked for the port each time";
constexpr std::string_view kPromptLine = texts::kPortPromptHelp.substr(0, 20);
constexpr std::string_view kNoCom98 = "port 98 (\\\\.\\COM98) does not exist";

TEST_F(WineConsole, WithoutASettingsFileTheTypedPortIsWrittenAndAKeyEndsTheWait) {
    const auto& radio = start_radio(sim::model_config(Model::id91));
    const std::string port = port_of(radio);
    const std::string memory = varied_memory_file(40);
    drive({wait_for(texts::kPortPrompt), "screen", "type " + port + "\\n",
           wait_for("Memory write end."), "running", "key k", "exit 0", "screen"},
          memory);
    const std::string at_prompt = without_added_lines(screen(0), {kSettingsPlaces, kPromptLine});
    EXPECT_TRUE(at_prompt.starts_with(texts::kTitle)) << at_prompt;
    EXPECT_TRUE(at_prompt.ends_with(settings_help())) << at_prompt;
    const std::string written = std::string(texts::kPortPrompt) + port + "\n" +
                                std::string(texts::kDetectId91) + std::string(texts::kActivate) +
                                std::string(texts::kWriteStart) + "ch:0399" +
                                std::string(texts::kWriteEnd) + std::string(texts::kPressKey);
    EXPECT_TRUE(screen(1).ends_with(written)) << screen(1);
    expect_whole_memory_written(settle(radio), memory);
}

TEST_F(WineConsole, JapaneseTextsShowAsTheProgramsTexts) {
    const auto& radio = start_radio(sim::model_config(Model::id91));
    const std::string port = port_of(radio);
    // COM98 leads nowhere: the open error, then the prompt again.
    const std::string memory = varied_memory_file(sim::kChannelCount + 1);
    drive({wait_for(texts::kPortPrompt), "type 98\\n", wait_for(texts::kOpenError),
           "type " + port + "\\n", wait_for(texts::kTooManyRows), "key k", "exit 9", "screen"},
          memory);
    const std::string expected = settings_help() + "98\n" + std::string(texts::kOpenError) +
                                 std::string(texts::kPortPrompt) + port + "\n" +
                                 std::string(texts::kDetectId91) + std::string(texts::kActivate) +
                                 std::string(texts::kWriteStart) + "ch:0399" +
                                 std::string(texts::kWriteEnd) + std::string(texts::kTooManyRows) +
                                 std::string(texts::kPressKey);
    const std::string shown =
        without_added_lines(screen(0), {kSettingsPlaces, kPromptLine, kNoCom98, kPromptLine});
    const std::size_t help = shown.find(texts::kSettingsHelp1);
    ASSERT_NE(help, std::string::npos) << shown;
    EXPECT_EQ(shown.substr(help), expected);
    expect_whole_memory_written(settle(radio), memory);
}

class EscMidTransfer : public WineConsole, public testing::WithParamInterface<const char*> {};

TEST_P(EscMidTransfer, ClosesTheLinkAndLeavesTheChannelsAfterTheStop) {
    // A slow radio: the transfer would take half a minute.
    const auto& radio = radio_in_settings(80ms);
    const std::string memory = varied_memory_file(sim::kChannelCount);
    drive({wait_for("ch:0"), std::string("key ") + GetParam(), wait_for(texts::kWriteError),
           "running", "key k", "exit 7"},
          memory);
    const sim::Snapshot s = settle(radio);
    const std::vector<int> sent = channel_sequence(s.frames);
    ASSERT_FALSE(sent.empty());
    ASSERT_LT(sent.size(), static_cast<std::size_t>(sim::kChannelCount));
    EXPECT_EQ(sent, first_channels(static_cast<int>(sent.size())));
    expect_first_channels_stored(s, memory, static_cast<int>(sent.size()));
    EXPECT_EQ(s.frames.back().kind, FrameKind::link_close);
    EXPECT_EQ(sim::count_of(s.frames, FrameKind::link_close), 1u);
    EXPECT_TRUE(all_exact(s.frames));
}

// Esc as a keyboard gives it, and as Wine on a terminal does: without a character.
INSTANTIATE_TEST_SUITE_P(Keys, EscMidTransfer, testing::Values("esc", "esc-nochar"),
                         [](const testing::TestParamInfo<const char*>& key) {
                             return std::string(key.param == std::string_view("esc")
                                                    ? "Esc"
                                                    : "EscWithoutACharacter");
                         });

TEST_F(WineConsole, CtrlCAsAKeyMidTransferStopsWithoutClosingTheLink) {
    const auto& radio = radio_in_settings(80ms);
    drive({wait_for("ch:0"), "key ctrl-c", wait_for(texts::kWriteError), "key k", "exit 7"},
          varied_memory_file(sim::kChannelCount));
    const sim::Snapshot s = settle(radio);
    EXPECT_GE(channel_frames(s), 1u);
    EXPECT_LT(channel_frames(s), static_cast<std::size_t>(sim::kChannelCount));
    EXPECT_EQ(sim::count_of(s.frames, FrameKind::link_close), 0u);
}

TEST_F(WineConsole, CtrlCAsAConsoleEventMidTransferEndsAtOnceWithoutClosingTheLink) {
    const auto& radio = radio_in_settings(80ms);
    // As Wine on a terminal delivers Ctrl-C: an event, never a key. No error
    // text and no key wait: the program ends where it stands.
    drive({wait_for("ch:0"), "ctrl-c-event", "exit 7", "screen"},
          varied_memory_file(sim::kChannelCount));
    EXPECT_EQ(occurrences(screen(0), texts::kWriteError), 0u) << screen(0);
    const sim::Snapshot s = settle(radio);
    EXPECT_GE(channel_frames(s), 1u);
    EXPECT_EQ(sim::count_of(s.frames, FrameKind::link_close), 0u);
}

class CtrlCAtThePrompt : public WineConsole, public testing::WithParamInterface<const char*> {};

TEST_P(CtrlCAtThePrompt, EndsTheRunWithTheStatusOfAnInterruptedRun) {
    drive({wait_for(texts::kPortPrompt), GetParam(), "exit 7"}, varied_memory_file(3));
}

// The key as a keyboard types it, which the console turns into an event while
// it reads a line, and the event itself.
INSTANTIATE_TEST_SUITE_P(Ways, CtrlCAtThePrompt, testing::Values("key ctrl-c", "ctrl-c-event"),
                         [](const testing::TestParamInfo<const char*>& way) {
                             return std::string(
                                 way.param == std::string_view("key ctrl-c") ? "Key" : "Event");
                         });

TEST_F(WineConsole, OtherKeysDuringTheTransferChangeNothing) {
    const auto& radio = radio_in_settings(10ms);
    const std::string memory = varied_memory_file(sim::kChannelCount);
    // The keys are all read before the transfer ends: only then does the
    // screen show its end.
    drive({wait_for("ch:0"), "key q", "key up", "key f1", "key enter", "drained", "running",
           "absent Memory write end.", wait_for("Memory write end."), "key k", "exit 0"},
          memory);
    expect_whole_memory_written(settle(radio), memory);
}

}  // namespace
}  // namespace quillmer::e2e
