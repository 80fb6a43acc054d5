// The speeds the simulated radio records for the frames it hears, in the one
// pattern the program produces that the end-to-end tests cannot pin down
// through the program: frames at a new speed followed at once by another speed
// notice. The program writes them so when queued reply bytes make the passes of
// a short identify attempt follow one another without waiting.

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "sim/pty.h"
#include "sim/simulator.h"
#include "tests/e2e/program.h"

namespace quillmer::e2e {
namespace {

using sim::FrameKind;

TEST(SimulatedRadioSpeeds, FramesAfterASpeedChangeAreHeardAtTheNewSpeed) {
    std::string error;
    const auto radio = sim::Simulator::start(sim::model_config(sim::Model::id91), &error);
    ASSERT_TRUE(radio) << error;
    const sim::Fd port(::open(radio->slave_path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    ASSERT_TRUE(port.valid());
    ASSERT_TRUE(sim::make_raw(port.get(), 38400));

    // As the program does: a notice, then the change once the radio has it.
    ASSERT_EQ(::write(port.get(), sim::kSpeedNotice.data(), sim::kSpeedNotice.size()), 7);
    ASSERT_TRUE(radio->wait_for_frames(1, kWait));
    ASSERT_TRUE(sim::set_line_speed(port.get(), 4800));
    // A call at the new speed and, at once, the notice of the next change, which
    // the program makes only after a pause: the line is still at 4800 for both.
    sim::Bytes burst = sim::identify_frame(sim::kIdentifyShortPreamble);
    burst.insert(burst.end(), sim::kSpeedNotice.begin(), sim::kSpeedNotice.end());
    ASSERT_EQ(::write(port.get(), burst.data(), burst.size()), static_cast<ssize_t>(burst.size()));
    ASSERT_TRUE(radio->wait_for_frames(3, kWait));

    const auto frames = radio->frames();
    EXPECT_EQ(sim::summary(frames), "SPEED_NOTICE@38400, IDENTIFY_SHORT@4800!, SPEED_NOTICE@4800!");
}

}  // namespace
}  // namespace quillmer::e2e
