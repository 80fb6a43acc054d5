#include "app/progress_printer.h"

#include <gtest/gtest.h>

#include "app/stop_reason.h"
#include "console/recording_console.h"

namespace quillmer::app {
namespace {

using protocol::TransferOutcome;

TEST(ConsoleKeys, KeysWithoutACharacterAreComparedCodeByCode) {
    console::RecordingConsole console;
    // An arrow key (0, then 72) and a letter change nothing; 0 followed by 27 acts as Esc.
    console.keys_at[1] = {0, 72, 'a', 0, 27, 3};
    ConsoleKeys keys(console);
    std::vector<std::optional<protocol::StopKey>> taken;
    for (int i = 0; i < 7; ++i) taken.push_back(keys.poll());
    using enum protocol::StopKey;
    EXPECT_EQ(taken, (decltype(taken){{}, {}, {}, {}, esc, ctrl_c, {}}));
}

TEST(StopReason, SaysWhichChannelsAreInTheRadio) {
    struct Case {
        TransferOutcome outcome;
        std::string line;
    };
    using enum protocol::TransferEnd;
    const std::string why = ", perhaps for a frequency it does not cover: ";
    const Case cases[] = {
        {{written, 400, 400}, ""},
        {{too_many_rows, 400, 400}, ""},
        {{refused, 1, 0},
         "The radio refused channel 0" + why + "channels 0 to 399 were not written.\n"},
        {{refused, 2, 1},
         "The radio refused channel 1" + why + "channel 0 was written, 1 to 399 were not.\n"},
        {{refused, 400, 399},
         "The radio refused channel 399" + why + "channels 0 to 398 were written, 399 was not.\n"},
        {{escaped, 0, 0},
         "Stopped by Esc before any channel was sent: channels 0 to 399 were not written.\n"},
        {{escaped, 17, 17},
         "Stopped by Esc after channel 16: channels 0 to 16 were written, 17 to 399 were not.\n"},
        {{interrupted, 1, 1},
         "Stopped by Ctrl-C after channel 0: channel 0 was written, 1 to 399 were not.\n"},
        {{escaped, 399, 399},
         "Stopped by Esc after channel 398: channels 0 to 398 were written, 399 was not.\n"},
        // The last acknowledgement came in, and Esc on the pass before the link closes.
        {{escaped, 400, 400},
         "Stopped by Esc after channel 399: channels 0 to 399 were written.\n"},
        // Sent and not yet acknowledged: the radio may have stored it.
        {{escaped, 1, 0},
         "Stopped by Esc before the radio acknowledged channel 0: channels 1 to 399 were not "
         "written, and 0 may or may not have been.\n"},
        {{interrupted, 18, 17},
         "Stopped by Ctrl-C before the radio acknowledged channel 17: channels 0 to 16 were "
         "written, 18 to 399 were not, and 17 may or may not have been.\n"},
        {{device_gone, 400, 399},
         "The serial device went away (cable pulled or device removed) before the radio "
         "acknowledged channel 399: channels 0 to 398 were written, and 399 may or may not have "
         "been.\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(stop_reason(c.outcome), c.line);
}

}  // namespace
}  // namespace quillmer::app
