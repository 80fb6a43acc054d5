// The user's terminal around the transfer: keys are read one at a time,
// unechoed, with Ctrl-C as a key while the transfer runs, and the terminal's
// own settings come back however the program ends.

#include <csignal>

#include <gtest/gtest.h>

#include "tests/e2e/fixture.h"

namespace quillmer::e2e {
namespace {

using sim::FrameKind;
using sim::Model;

constexpr tcflag_t kLineMode = ICANON | ECHO | ISIG;

class Terminal : public EndToEnd {
  protected:
    /// Starts the program against an ID-92 that never says it is ready, and
    /// waits until the transfer loop polls the keyboard.
    ProgramRun& launch_waiting() {
        const auto& radio = start_radio(never_ready_id92());
        ProgramRun& run = launch_for(radio, varied_memory_file(3));
        EXPECT_TRUE(await(radio, FrameKind::ready_probe, 1));
        return run;
    }
};

TEST_F(Terminal, KeysAreRawDuringTheTransferAndLineModeComesBackAtTheEnd) {
    ProgramRun& run = launch_waiting();
    const auto during = run.terminal_settings();
    ASSERT_TRUE(during.has_value());
    EXPECT_EQ(during->c_lflag & kLineMode, 0u)
        << "line mode, echo or signals on during the transfer";
    run.type("\x1b");
    EXPECT_EQ(finish_after(texts::kWriteError), status(ExitStatus::aborted));
    const auto after = run.terminal_settings();
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(after->c_lflag & kLineMode, kLineMode);
}

struct SignalEnd {
    int signal;
    int exit_status;   ///< what wait_exit() gives
    const char* name;  ///< the test's name
};

class TerminalAfterSignal : public Terminal, public testing::WithParamInterface<SignalEnd> {};

TEST_P(TerminalAfterSignal, LineModeComesBackWhenASignalEndsTheProgram) {
    ProgramRun& run = launch_waiting();
    const auto during = run.terminal_settings();
    ASSERT_TRUE(during.has_value());
    ASSERT_EQ(during->c_lflag & kLineMode, 0u);
    run.signal(GetParam().signal);
    EXPECT_EQ(run.wait_exit(), GetParam().exit_status);
    const auto after = run.terminal_settings();
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(after->c_lflag & kLineMode, kLineMode);
}

// SIGINT is Ctrl-C where the terminal makes it a signal: the run ends as Ctrl-C
// as a key ends it, with the status of an interrupted run. The others end it as
// if it had no handler.
INSTANTIATE_TEST_SUITE_P(Signals, TerminalAfterSignal,
                         testing::Values(SignalEnd{SIGINT, status(ExitStatus::aborted), "INT"},
                                         SignalEnd{SIGTERM, 128 + SIGTERM, "TERM"},
                                         SignalEnd{SIGHUP, 128 + SIGHUP, "HUP"}),
                         [](const testing::TestParamInfo<SignalEnd>& end) {
                             return std::string(end.param.name);
                         });

TEST_F(Terminal, CtrlCAtThePortPromptEndsWithTheStatusOfAnInterruptedRun) {
    launch({write_memory_file(varied_memory_file(3))});
    ASSERT_TRUE(program().wait_for_text(texts::kPortPrompt));
    // In line mode the terminal turns Ctrl-C into SIGINT.
    program().type("\x03");
    EXPECT_EQ(program().wait_exit(), status(ExitStatus::aborted));
}

}  // namespace
}  // namespace quillmer::e2e
