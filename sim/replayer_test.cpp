#include "sim/replayer.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "sim/test_frames.h"
#include "sim/test_port.h"

namespace quillmer::sim {
namespace {

using namespace test_frames;
using namespace test_port;
using namespace std::chrono_literals;

std::unique_ptr<Replayer> replay(const std::string& trace_text) {
    std::string error;
    const auto trace = parse_trace(trace_text, error);
    EXPECT_TRUE(trace) << error;
    if (!trace) return nullptr;
    auto replayer = Replayer::start(script_of(*trace), false, &error);
    EXPECT_TRUE(replayer) << error;
    return replayer;
}

Bytes joined(const Bytes& a, const Bytes& b) {
    Bytes both = a;
    both.insert(both.end(), b.begin(), b.end());
    return both;
}

std::string line(double ms, char direction, const Bytes& bytes, int speed = 38400) {
    return std::to_string(ms) + " " + direction + " " + std::to_string(speed) + " " + hex(bytes) +
           "  x\n";
}

TEST(ReplayerOnPty, AnswersAfterTheTracedDelayThenVanishesWhereTheTraceDid) {
    const Bytes keepalive(kKeepalive.begin(), kKeepalive.end());
    const auto replayer =
        replay(line(10, '>', kOpen) + line(130, '<', kOk) + line(131, '<', kNg) +
               line(140, '>', keepalive) + line(150, '>', kClose) + "151.000 gone\n");
    ASSERT_TRUE(replayer);
    const Port port = Port::open(replayer->slave_path());

    const auto sent_at = Clock::now();
    port.send(kOpen);
    EXPECT_EQ(port.receive_bytes(kOk.size() + kNg.size()), joined(kOk, kNg));
    EXPECT_GE(Clock::now() - sent_at, 120ms);

    port.send(keepalive);
    port.send(kClose);
    EXPECT_TRUE(port.gone());
    ASSERT_TRUE(replayer->wait_for([](const ReplayState& s) { return s.vanished; }, kWait));
    const ReplayState s = replayer->state();
    EXPECT_TRUE(s.complete) << s.outcome;
    EXPECT_FALSE(s.departure);
    EXPECT_EQ(s.frames.size(), 3u);
    EXPECT_EQ(s.sent, joined(kOk, kNg));
}

TEST(ReplayerOnPty, FallsSilentAtTheFirstDeparture) {
    // The trace answers at 9600 bit/s where the program's line is at 38400.
    const auto replayer =
        replay(line(1, '>', kOpen) + line(2, '<', kOk, 9600) + line(3, '>', kClose));
    ASSERT_TRUE(replayer);
    const Port port = Port::open(replayer->slave_path());
    port.send(kOpen);
    ASSERT_TRUE(
        replayer->wait_for([](const ReplayState& s) { return s.departure.has_value(); }, kWait));
    EXPECT_NE(replayer->state().outcome.find("the program's line at 38400 bit/s"),
              std::string::npos)
        << replayer->state().outcome;
    port.send(kClose);
    ASSERT_TRUE(
        replayer->wait_for([](const ReplayState& s) { return s.frames.size() == 2; }, kWait));
    EXPECT_TRUE(replayer->state().sent.empty());
    EXPECT_FALSE(replayer->state().complete);
}

}  // namespace
}  // namespace quillmer::sim
