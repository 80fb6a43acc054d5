#include "sim/radio.h"

#include <gtest/gtest.h>

#include "sim/test_frames.h"

namespace quillmer::sim {
namespace {

using namespace test_frames;

Bytes write_for(int channel) {
    ChannelFields fields;
    fields.channel = channel;
    fields.frequency_hz = 145000000 + static_cast<std::uint64_t>(channel) * 12500;
    fields.label = "CH" + std::to_string(channel);
    const WriteFrame frame = encode_write_frame(fields);
    return Bytes(frame.begin(), frame.end());
}

struct Radio {
    RadioConfig config;
    RadioState state;
    explicit Radio(RadioConfig c) : config(std::move(c)), state(initial_state(config)) {}
    Reaction hear(const Bytes& frame, int speed = 38400) {
        return react(state, config, frame, speed);
    }
};

Radio open_radio(RadioConfig config) {
    Radio radio(std::move(config));
    radio.hear(kOpen);
    return radio;
}

TEST(RadioIdentify, AnswersWithTheConfiguredIdBytesOnlyAtItsSpeed) {
    Radio id91(model_config(Model::id91));
    Reaction r = id91.hear(identify_frame(kIdentifyLongPreamble));
    EXPECT_EQ(r.reply, ReplyKind::identify);
    EXPECT_EQ(r.bytes, (Bytes{0xFE, 0xFE, 0x80, 0x01, 0x19, 0x28, 0x88, 0xFD}));

    Radio id92(model_config(Model::id92));
    EXPECT_EQ(id92.hear(kShort).bytes, (Bytes{0xFE, 0xFE, 0x80, 0x01, 0x19, 0x30, 0x66, 0xFD}));

    RadioConfig odd = model_config(Model::id92);
    odd.id = {0x12, 0x34};
    odd.speed = 9600;
    Radio other(odd);
    for (const int wrong : {4800, 38400, 0}) {
        r = other.hear(kShort, wrong);
        EXPECT_TRUE(r.garbled) << wrong;
        EXPECT_FALSE(r.reply) << wrong;
    }
    EXPECT_EQ(other.hear(kShort, 9600).bytes,
              (Bytes{0xFE, 0xFE, 0x80, 0x01, 0x19, 0x12, 0x34, 0xFD}));
}

TEST(RadioSpeed, ANoticeAtItsSpeedMovesTheRadioTo38400) {
    RadioConfig config = model_config(Model::id91);
    config.speed = 4800;
    Radio radio(config);

    EXPECT_FALSE(radio.hear(kQuery, 38400).reply);  // not yet: the radio is at 4800
    EXPECT_EQ(radio.hear(kShort, 4800).reply, ReplyKind::identify);
    EXPECT_TRUE(radio.hear(kNotice, 9600).garbled);  // at another speed: ignored
    EXPECT_EQ(radio.state.speed, 4800);
    EXPECT_TRUE(radio.hear(kNotice, 4800).speed_switched);
    EXPECT_EQ(radio.state.speed, 38400);
    EXPECT_TRUE(radio.hear(kShort, 4800).garbled);
    const Reaction ready = radio.hear(kQuery, 38400);
    EXPECT_EQ(ready.reply, ReplyKind::link_ready);
    EXPECT_EQ(ready.bytes, (Bytes{0xFE, 0xFE, 0x80, 0x01, 0x18, 0x01, 0xFD}));
    // A second notice at 38400 changes nothing.
    EXPECT_FALSE(radio.hear(kNotice, 38400).speed_switched);

    // Closing the link leaves the radio as the program found it.
    radio.hear(kOpen);
    EXPECT_TRUE(radio.hear(kClose).link_closed);
    EXPECT_EQ(radio.state.speed, 4800);
}

TEST(RadioSilent, HearsEverythingAndAnswersNothing) {
    RadioConfig config = model_config(Model::id92);
    config.silent = true;
    Radio radio(config);
    for (const Bytes& frame : {kShort, kQuery, kOpen, kProbe, write_for(0), kNotice}) {
        const Reaction r = radio.hear(frame);
        EXPECT_FALSE(r.reply);
        EXPECT_FALSE(r.garbled);
        EXPECT_TRUE(r.bytes.empty());
    }
    EXPECT_EQ(radio.state.image[0].state, SlotState::unwritten);
}

TEST(RadioProbes, AnId92AnswersFromTheNthProbeOfEachSession) {
    RadioConfig config = model_config(Model::id92);
    config.probe_answer_from = 3;
    Radio radio(config);
    EXPECT_FALSE(radio.hear(kProbe).reply);  // before LINK_OPEN: not counted
    EXPECT_EQ(radio.hear(kOpen).reply, ReplyKind::link_opened);
    EXPECT_FALSE(radio.hear(kProbe).reply);
    EXPECT_FALSE(radio.hear(kProbe).reply);
    EXPECT_EQ(radio.hear(kProbe).bytes, (Bytes{0xFE, 0xFE, 0x80, 0x01, 0x1D, 0x50, 0xFD}));
    EXPECT_EQ(radio.hear(kProbe).reply, ReplyKind::ready_answer);
    radio.hear(kClose);
    radio.hear(kOpen);
    EXPECT_FALSE(radio.hear(kProbe).reply);  // counting starts again
    EXPECT_EQ(radio.state.probes, 1);
}

TEST(RadioProbes, NeverAnsweredByAnId91OrWhenSetToNever) {
    RadioConfig never = model_config(Model::id92);
    never.probe_answer_from = kNever;
    Radio id92 = open_radio(never);
    Radio id91 = open_radio(model_config(Model::id91));
    for (int i = 0; i < 20; ++i) {
        EXPECT_FALSE(id92.hear(kProbe).reply);
        EXPECT_FALSE(id91.hear(kProbe).reply);
    }
    EXPECT_EQ(id91.state.probes, 20);
}

TEST(RadioChannels, WritesAndErasesAreStoredAndAcknowledged) {
    Radio radio = open_radio(model_config(Model::id91));
    Reaction r = radio.hear(write_for(0));
    EXPECT_EQ(r.reply, ReplyKind::ack);
    EXPECT_EQ(r.bytes, kOk);
    EXPECT_EQ(radio.hear(write_for(399)).reply, ReplyKind::ack);
    ASSERT_EQ(radio.state.image[399].state, SlotState::written);
    EXPECT_EQ(Bytes(radio.state.image[399].frame.begin(), radio.state.image[399].frame.end()),
              write_for(399));

    EXPECT_EQ(radio.hear(erase_frame(399)).bytes, kOk);
    EXPECT_EQ(radio.state.image[399].state, SlotState::erased);
    EXPECT_EQ(radio.state.image[399].stores, 2);
    EXPECT_EQ(radio.state.channel_frames, 3);
}

TEST(RadioChannels, RefusesChosenAndImpossibleChannelsWithoutStoringThem) {
    RadioConfig config = model_config(Model::id91);
    config.ng_channels = {17};
    Radio radio = open_radio(config);
    const Reaction r = radio.hear(write_for(17));
    EXPECT_EQ(r.reply, ReplyKind::refusal);
    EXPECT_EQ(r.bytes, kNg);
    EXPECT_EQ(radio.state.image[17].state, SlotState::unwritten);
    EXPECT_EQ(radio.hear(erase_frame(17)).reply, ReplyKind::refusal);
    EXPECT_EQ(radio.hear(write_for(16)).reply, ReplyKind::ack);

    Bytes past_end = write_for(0);
    past_end[7] = 0x04;  // channel 400
    EXPECT_EQ(radio.hear(past_end).reply, ReplyKind::refusal);
    Bytes not_decimal = erase_frame(0);
    not_decimal[8] = 0x1A;
    EXPECT_EQ(radio.hear(not_decimal).reply, ReplyKind::refusal);
    EXPECT_EQ(radio.hear(Bytes{0xFE, 0xFE, 0x02, 0x80, 0x1A, 0x00, 0x01, 0x00, 0xFD}).reply,
              ReplyKind::refusal);
    EXPECT_EQ(count_slots(radio.state.image, SlotState::written), 1);
}

TEST(RadioChannels, OutsideAnOpenLinkChannelFramesAreIgnored) {
    Radio radio(model_config(Model::id91));
    EXPECT_FALSE(radio.hear(write_for(3)).reply);
    radio.hear(kOpen);
    radio.hear(kClose);
    EXPECT_FALSE(radio.hear(write_for(3)).reply);
    EXPECT_EQ(radio.state.image[3].state, SlotState::unwritten);
    EXPECT_EQ(radio.state.channel_frames, 0);
}

TEST(RadioChannels, KeepaliveAndUnknownFramesAreNotAnswered) {
    Radio radio = open_radio(model_config(Model::id92));
    EXPECT_FALSE(radio.hear(Bytes(kKeepalive.begin(), kKeepalive.end())).reply);
    EXPECT_FALSE(radio.hear(Bytes{0xFE, 0xFE, 0x01, 0x80, 0x77, 0xFD}).reply);
}

TEST(RadioVanish, GoesAtTheNthChannelFrameWithoutAnsweringIt) {
    RadioConfig config = model_config(Model::id91);
    config.vanish_after = 3;
    Radio radio = open_radio(config);
    EXPECT_FALSE(radio.hear(write_for(0)).vanish);
    EXPECT_FALSE(radio.hear(erase_frame(1)).vanish);
    const Reaction r = radio.hear(write_for(2));
    EXPECT_TRUE(r.vanish);
    EXPECT_FALSE(r.reply);
    EXPECT_EQ(radio.state.image[2].state, SlotState::unwritten);
}

TEST(RadioMute, StopsAtTheNthChannelFrameAndNeverActsAgain) {
    RadioConfig config = model_config(Model::id91);
    config.mute_after = 2;
    Radio radio = open_radio(config);
    EXPECT_EQ(radio.hear(write_for(0)).reply, ReplyKind::ack);
    for (const Bytes& frame : {write_for(1), write_for(2), kProbe, kClose, kOpen}) {
        const Reaction r = radio.hear(frame);
        EXPECT_FALSE(r.reply);
        EXPECT_FALSE(r.vanish);
        EXPECT_FALSE(r.link_closed);
        EXPECT_FALSE(r.link_opened);
        EXPECT_TRUE(r.bytes.empty());
    }
    EXPECT_EQ(radio.state.image[0].state, SlotState::written);
    EXPECT_EQ(radio.state.image[1].state, SlotState::unwritten);
    EXPECT_EQ(radio.state.image[2].state, SlotState::unwritten);
    EXPECT_TRUE(radio.state.link_open);
}

TEST(RadioFaults, GoInFrontOfTheChosenRepliesInOrderAndUpToTheLimit) {
    RadioConfig config = model_config(Model::id91);
    config.filler = filler_bytes(3);
    config.overlong = 300;
    config.lone_fd = true;
    config.fault_replies = reply_bit(ReplyKind::ack);
    config.fault_limit = 2;
    Radio radio(config);

    EXPECT_EQ(radio.hear(kOpen).bytes, kOk);  // link opened is not chosen
    const Bytes faulted = radio.hear(write_for(0)).bytes;
    ASSERT_EQ(faulted.size(), 3u + 300u + 1u + kOk.size());
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NE(faulted[i], 0xFE);
        EXPECT_NE(faulted[i], 0xFD);
    }
    EXPECT_EQ(Bytes(faulted.begin() + 3, faulted.begin() + 7), (Bytes{0xFE, 0xFE, 0x80, 0x01}));
    for (std::size_t i = 7; i < 303; ++i) {
        ASSERT_NE(faulted[i], 0xFD) << i;
        ASSERT_NE(faulted[i], 0xFE) << i;
    }
    EXPECT_EQ(faulted[303], 0xFD);
    EXPECT_EQ(Bytes(faulted.end() - 6, faulted.end()), kOk);

    EXPECT_EQ(radio.hear(write_for(1)).bytes.size(), faulted.size());
    EXPECT_EQ(radio.hear(write_for(2)).bytes, kOk);  // the limit of two is used up
}

TEST(RadioFaults, DelaysSplitBetweenLinkRepliesAndChannelAcks) {
    RadioConfig config = model_config(Model::id92);
    config.reply_delay = std::chrono::milliseconds(250);
    config.ack_delay = std::chrono::milliseconds(40);
    config.ng_channels = {1};
    Radio radio(config);
    EXPECT_EQ(radio.hear(kShort).delay.count(), 250);
    EXPECT_EQ(radio.hear(kQuery).delay.count(), 250);
    EXPECT_EQ(radio.hear(kOpen).delay.count(), 250);
    EXPECT_EQ(radio.hear(kProbe).delay.count(), 250);
    EXPECT_EQ(radio.hear(write_for(0)).delay.count(), 40);
    EXPECT_EQ(radio.hear(write_for(1)).delay.count(), 40);
}

}  // namespace
}  // namespace quillmer::sim
