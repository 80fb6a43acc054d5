#include "sim/simulator.h"

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

Bytes write_for(int channel) {
    ChannelFields fields;
    fields.channel = channel;
    fields.frequency_hz = 433450000;
    fields.label = "TEST";
    const WriteFrame frame = encode_write_frame(fields);
    return Bytes(frame.begin(), frame.end());
}

std::unique_ptr<Simulator> start(const RadioConfig& config) {
    std::string error;
    auto sim = Simulator::start(config, &error);
    EXPECT_TRUE(sim) << error;
    return sim;
}

/// A radio and the program's end of its cable, with the write link opened.
std::pair<std::unique_ptr<Simulator>, Port> start_linked(const RadioConfig& config) {
    auto sim = start(config);
    if (!sim) return {};
    Port port = Port::open(sim->slave_path());
    port.send(kOpen);
    EXPECT_EQ(port.receive_frames(), kOk);
    return {std::move(sim), std::move(port)};
}

TEST(SimulatorOnPty, AnswersIdentifyAndRecordsExactBytesAndSpeed) {
    auto sim = start(model_config(Model::id92));
    ASSERT_TRUE(sim);
    const Port port = Port::open(sim->slave_path());
    port.send(kLong);
    EXPECT_EQ(port.receive_frames(), (Bytes{0xFE, 0xFE, 0x80, 0x01, 0x19, 0x30, 0x66, 0xFD}));

    ASSERT_TRUE(
        sim->wait_for([](const Snapshot& s) { return s.sent(ReplyKind::identify) == 1; }, kWait));
    const auto frames = sim->frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bytes, kLong);
    EXPECT_EQ(frames[0].kind, FrameKind::identify);
    EXPECT_EQ(frames[0].speed, 38400);
    EXPECT_TRUE(frames[0].exact);
    EXPECT_FALSE(frames[0].garbled);
}

// The program's fall-back: it changes the line speed right after each
// SPEED_NOTICE, before the radio can have read it.
TEST(SimulatorOnPty, FollowsSpeedChangesRightAfterTheNotice) {
    for (const int radio_speed : {4800, 9600}) {
        RadioConfig config = model_config(Model::id91);
        config.speed = radio_speed;
        auto sim = start(config);
        ASSERT_TRUE(sim);
        const Port port = Port::open(sim->slave_path());
        port.send(kLong);  // the radio does not hear 38400
        port.send(kNotice);
        port.speed(radio_speed);
        port.send(kShort);
        EXPECT_EQ(port.receive_frames(), (Bytes{0xFE, 0xFE, 0x80, 0x01, 0x19, 0x28, 0x88, 0xFD}));
        port.send(kNotice);
        port.speed(38400);
        port.send(kQuery);
        EXPECT_EQ(port.receive_frames(), kLinkReady);

        ASSERT_TRUE(sim->wait_for_frames(5, kWait));
        const std::string speed = std::to_string(radio_speed);
        EXPECT_EQ(summary(sim->frames()),
                  "IDENTIFY_LONG@38400!, SPEED_NOTICE@38400!, "
                  "IDENTIFY_SHORT@" +
                      speed + ", SPEED_NOTICE@" + speed + ", LINK_QUERY@38400");
        const Snapshot s = sim->snapshot();
        EXPECT_EQ(s.sent(ReplyKind::identify), 1);
        EXPECT_EQ(s.sent(ReplyKind::link_ready), 1);
        EXPECT_EQ(s.radio.speed, 38400);
    }
}

TEST(SimulatorOnPty, KeepsWorkingWhenThePortIsClosedAndOpenedAgain) {
    auto sim = start(model_config(Model::id91));
    ASSERT_TRUE(sim);
    for (int round = 0; round < 3; ++round) {
        const Port port = Port::open(sim->slave_path(), round == 1 ? 9600 : 38400);
        port.speed(38400);
        port.send(kQuery);
        EXPECT_EQ(port.receive_frames(), kLinkReady) << round;
    }
    const Snapshot s = sim->snapshot();
    EXPECT_TRUE(s.running);
    EXPECT_EQ(s.sent(ReplyKind::link_ready), 3);
}

TEST(SimulatorOnPty, RunsAWriteSessionIntoTheMemoryImage) {
    RadioConfig config = model_config(Model::id92);
    config.probe_answer_from = 2;
    const auto [sim, port] = start_linked(config);
    ASSERT_TRUE(sim);
    port.send(kProbe);
    ASSERT_TRUE(sim->wait_for_kind(FrameKind::ready_probe, 1, kWait));
    port.send(kProbe);
    EXPECT_EQ(port.receive_frames(), (Bytes{0xFE, 0xFE, 0x80, 0x01, 0x1D, 0x50, 0xFD}));
    for (int ch = 0; ch < 3; ++ch) {
        port.send(write_for(ch));
        EXPECT_EQ(port.receive_frames(), kOk) << ch;
    }
    port.send(erase_frame(3));
    EXPECT_EQ(port.receive_frames(), kOk);
    port.send(kClose);
    ASSERT_TRUE(sim->wait_for_link_closed(kWait));

    const Snapshot s = sim->snapshot();
    EXPECT_EQ(summary(s.frames),
              "LINK_OPEN@38400, READY_PROBE@38400 x2, WRITE@38400 x3, "
              "ERASE@38400, LINK_CLOSE@38400");
    EXPECT_EQ(s.sent(ReplyKind::link_opened), 1);
    EXPECT_EQ(s.sent(ReplyKind::ready_answer), 1);
    EXPECT_EQ(s.sent(ReplyKind::ack), 4);
    EXPECT_EQ(s.link_opens.size(), 1u);
    ASSERT_EQ(s.link_closes.size(), 1u);
    EXPECT_LE(s.link_opens[0], s.link_closes[0]);
    EXPECT_EQ(count_slots(s.radio.image, SlotState::written), 3);
    EXPECT_EQ(s.radio.image[3].state, SlotState::erased);
    EXPECT_EQ(decode_write_frame(s.radio.image[2].frame).frequency_hz, 433450000u);
}

TEST(SimulatorOnPty, FaultBytesArriveInFrontOfTheReplyEvenWhenPaced) {
    for (const bool pace : {false, true}) {
        RadioConfig config = model_config(Model::id91);
        config.filler = filler_bytes(5);
        config.lone_fd = true;
        config.reply_delay = 20ms;
        config.pace = pace;
        auto sim = start(config);
        ASSERT_TRUE(sim);
        const Port port = Port::open(sim->slave_path());
        port.send(Bytes{0x00, 0x11});  // noise from the program's side
        port.send(kQuery);
        Bytes expected = filler_bytes(5);
        expected.push_back(kEndByte);
        expected.insert(expected.end(), kLinkReady.begin(), kLinkReady.end());
        EXPECT_EQ(port.receive_frames(2), expected) << pace;
        EXPECT_EQ(sim->snapshot().stray_bytes, 2u);
    }
}

TEST(SimulatorOnPty, TheCablesFaultsReachTheProgramEvenWhenPaced) {
    for (const bool pace : {false, true}) {
        RadioConfig config = model_config(Model::id91);
        config.line = LineFaults{50ms, true, 2, {0xFE, 0xFE, 0xFD}};
        config.pace = pace;
        auto sim = start(config);
        ASSERT_TRUE(sim);
        const Port port = Port::open(sim->slave_path());
        const auto sent = Clock::now();
        port.send(kQuery);
        // Its own frame back, the noise, and the reply without its second byte.
        Bytes expected = kQuery;
        expected.insert(expected.end(), {0xFE, 0xFE, 0xFD, 0xFE, 0x80, 0x01, 0x18, 0x01, 0xFD});
        EXPECT_EQ(port.receive_bytes(expected.size()), expected) << pace;
        EXPECT_GE(Clock::now() - sent, 50ms) << pace;
        EXPECT_EQ(sim->snapshot().bytes_sent, kLinkReady) << "what the radio sent";
    }
}

TEST(SimulatorOnPty, AReplyIsLostWhenTheLineLeftTheRadiosSpeed) {
    RadioConfig config = model_config(Model::id91);
    config.reply_delay = 1s;  // ample time to change the speed before the reply is due
    auto sim = start(config);
    ASSERT_TRUE(sim);
    const Port port = Port::open(sim->slave_path());
    port.send(kShort);
    ASSERT_TRUE(sim->wait_for_frames(1, kWait));
    port.speed(4800);
    ASSERT_TRUE(sim->wait_for([](const Snapshot& s) { return s.garbled_replies == 1; }, kWait));
    pollfd p{port.fd.get(), POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 0), 0);  // nothing reached the line
    EXPECT_EQ(sim->replies_sent(ReplyKind::identify), 0);
}

bool hung_up(const Port& port) {
    pollfd p{port.fd.get(), POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(std::chrono::milliseconds(kWait).count())) != 1) {
        return false;
    }
    std::uint8_t byte = 0;
    return (p.revents & POLLHUP) != 0 && ::read(port.fd.get(), &byte, 1) <= 0;
}

TEST(SimulatorOnPty, VanishingOnDemandHangsUpThePort) {
    auto sim = start(model_config(Model::id91));
    ASSERT_TRUE(sim);
    const Port port = Port::open(sim->slave_path());
    sim->vanish();
    EXPECT_TRUE(hung_up(port));
    EXPECT_TRUE(sim->snapshot().vanished);
    EXPECT_FALSE(sim->snapshot().running);
    EXPECT_FALSE(sim->wait_for_frames(1, 10ms));  // ended: returns at once
}

TEST(SimulatorOnPty, VanishingAtTheNthChannelFrameLeavesTheEarlierOnes) {
    RadioConfig config = model_config(Model::id91);
    config.vanish_after = 2;
    const auto [sim, port] = start_linked(config);
    ASSERT_TRUE(sim);
    port.send(write_for(0));
    EXPECT_EQ(port.receive_frames(), kOk);
    port.send(write_for(1));
    EXPECT_TRUE(hung_up(port));
    const Snapshot s = sim->snapshot();
    EXPECT_TRUE(s.vanished);
    EXPECT_EQ(s.frames.size(), 3u);
    EXPECT_EQ(s.radio.image[0].state, SlotState::written);
    EXPECT_EQ(s.radio.image[1].state, SlotState::unwritten);
    EXPECT_EQ(s.sent(ReplyKind::ack), 1);
}

}  // namespace
}  // namespace quillmer::sim
