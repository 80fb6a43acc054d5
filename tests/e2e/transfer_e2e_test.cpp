// The memory transfer as the real program runs it: the link, the ID-92's ready
// probes, every channel in order with the radio's acknowledgements, refusals,
// the keys that stop it, and the radio's memory afterwards.

#include <gtest/gtest.h>

#include "tests/e2e/fixture.h"
#include "tests/e2e/wire.h"

namespace quillmer::e2e {
namespace {

using e2e::PrintTo;  // rows by their names
using sim::FrameKind;
using sim::Model;

constexpr auto kNoAck = std::chrono::hours(1);  // the radio takes its time: never, for a test

std::size_t channel_frames(const sim::Snapshot& s) {
    return sim::count_of(s.frames, FrameKind::write) + sim::count_of(s.frames, FrameKind::erase);
}

class Transfer : public EndToEnd {};

TEST_F(Transfer, Id91AcknowledgingEverythingGetsEveryChannelInOrder) {
    const auto& radio = start_radio(sim::model_config(Model::id91));
    const sim::Snapshot s = run_to_success(radio, varied_memory_file(sim::kChannelCount));

    const auto link = without(
        s.frames, {FrameKind::keepalive, FrameKind::write, FrameKind::erase, FrameKind::identify});
    EXPECT_EQ(sim::summary(link), "LINK_OPEN@38400, LINK_CLOSE@38400");
    // The link opens before the first channel; an ID-91 is never probed.
    EXPECT_LT(find_kind(s.frames, FrameKind::link_open), find_kind(s.frames, FrameKind::write));
    EXPECT_EQ(sim::count_of(s.frames, FrameKind::ready_probe), 0u);

    std::string counters;
    for (int channel = 0; channel < sim::kChannelCount; ++channel) counters += counter(channel);
    const std::string transcript = program().transcript();
    const std::string tail = std::string(texts::kDetectId91) + std::string(texts::kActivate) +
                             std::string(texts::kWriteStart) + counters +
                             std::string(texts::kWriteEnd);
    EXPECT_NE(transcript.find(tail), std::string::npos) << testing::PrintToString(transcript);
    EXPECT_EQ(occurrences(transcript, texts::kWriteError), 0u);
}

TEST_F(Transfer, Id92AnsweringTheThirdProbeIsProbedExactlyThreeTimes) {
    sim::RadioConfig config = sim::model_config(Model::id92);
    config.probe_answer_from = 3;
    const sim::Snapshot s = run_to_success(start_radio(config), varied_memory_file(20));

    EXPECT_EQ(sim::summary(only(s.frames, {FrameKind::link_open, FrameKind::ready_probe})),
              "LINK_OPEN@38400, READY_PROBE@38400 x3");
    const auto probes =
        only(s.frames, {FrameKind::ready_probe, FrameKind::write, FrameKind::erase});
    EXPECT_EQ(find_kind(probes, FrameKind::ready_probe, 3), probes.size())
        << "a probe after the first channel";
    EXPECT_LT(find_kind(s.frames, FrameKind::link_open),
              find_kind(s.frames, FrameKind::ready_probe));
    EXPECT_EQ(occurrences(program().transcript(), texts::kDetectId92), 1u);
}

TEST_F(Transfer, Id92NeverReadyGetsElevenProbesThenOnlyKeepalivesUntilEsc) {
    const auto& radio = start_radio(never_ready_id92());
    ProgramRun& run = launch_for(radio, varied_memory_file(3));
    // Three keep-alives after the last probe show that the probes have stopped.
    ASSERT_TRUE(await(radio, "3 KEEPALIVE after 11 READY_PROBE", [](const sim::Snapshot& s) {
        int probes = 0;
        int keepalives_after = 0;
        for (const sim::ReceivedFrame& f : s.frames) {
            if (f.kind == FrameKind::ready_probe) ++probes;
            if (f.kind == FrameKind::keepalive && probes >= 11) ++keepalives_after;
        }
        return keepalives_after >= 3;
    }));
    run.type("\x1b");
    // No counter stands on the line: the message follows the probes' wait as it is.
    EXPECT_EQ(finish_after(std::string(texts::kActivate) + std::string(texts::kWriteError) +
                           "Stopped by Esc before any channel was sent: channels 0 to 399 were "
                           "not written.\n"),
              status(ExitStatus::aborted));

    const sim::Snapshot s = settle(radio);
    const auto link = without(s.frames, {FrameKind::identify, FrameKind::keepalive});
    EXPECT_EQ(sim::summary(link), "LINK_OPEN@38400, READY_PROBE@38400 x11, LINK_CLOSE@38400");
    EXPECT_EQ(s.frames.back().kind, FrameKind::link_close);
    EXPECT_TRUE(all_exact(s.frames));
    EXPECT_EQ(occurrences(run.transcript(), texts::kWriteStart), 0u);
}

// A real minute, started first beside the others (tests/CMakeLists.txt).
TEST_F(Transfer, Id92NeverReadyWithInputAtDevNullEndsByItselfAfterAMinute) {
    launcher_.stdio = Stdio::pipes;
    launcher_.argv_prefix.insert(launcher_.argv_prefix.begin(),
                                 {"sh", "-c", "exec \"$@\" </dev/null", "sh"});
    const auto& radio = start_radio(never_ready_id92());
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(launch_for(radio, varied_memory_file(3)).wait_exit(70s),
              status(ExitStatus::never_ready));
    EXPECT_GE(std::chrono::steady_clock::now() - started, 60s);
    EXPECT_TRUE(program().transcript().ends_with(
        "as no key can stop it, the wait ends after 60 s.\n" + std::string(texts::kWriteError) +
        "The ID-92 never said it was ready, and with the input ended no key could stop the wait: "
        "it ended after 60 s; channels 0 to 399 were not written.\n"))
        << program().transcript();
    EXPECT_EQ(settle(radio).frames.back().kind, FrameKind::link_close);
}

TEST_F(Transfer, MoreThan400DataRowsAreReportedAfterAllChannelsAreWritten) {
    const auto& radio = start_radio(sim::model_config(Model::id91));
    const std::string memory = varied_memory_file(sim::kChannelCount + 1);
    ProgramRun& run = launch_for(radio, memory);
    EXPECT_EQ(finish_after(texts::kTooManyRows), status(ExitStatus::too_many_rows));
    expect_whole_memory_written(settle(radio), memory);
    const std::string ending = std::string(texts::kWriteEnd) + std::string(texts::kTooManyRows);
    EXPECT_EQ(occurrences(run.transcript(), ending), 1u) << run.transcript();
}

class Refusal : public Transfer, public testing::WithParamInterface<int> {};

TEST_P(Refusal, EndsTheRunRightAfterTheRefusedChannel) {
    const int refused = GetParam();
    sim::RadioConfig config = sim::model_config(Model::id91);
    config.ng_channels = {refused};
    const auto& radio = start_radio(config);
    const std::string memory = varied_memory_file(sim::kChannelCount);
    launch_for(radio, memory);
    // The refused channel's counter stays in sight, and the line after the error
    // says which channels the radio holds and which it does not.
    const std::string n = std::to_string(refused);
    const std::string written =
        refused == 0 ? "channels 0 to 399 were not written"
                     : "channels 0 to " + std::to_string(refused - 1) + " were written, " + n +
                           (refused == 399 ? " was not" : " to 399 were not");
    const std::string ending = counter(refused) + "\n" + std::string(texts::kWriteError) +
                               "The radio refused channel " + n +
                               ", perhaps for a frequency it does not cover: " + written + ".\n";
    EXPECT_EQ(finish_after(ending), status(ExitStatus::radio_refused));

    const sim::Snapshot s = settle(radio);
    // An acknowledgement taken for the wrong channel would show as one channel
    // more, or as no stop at all after the last one.
    EXPECT_EQ(channel_sequence(s.frames), first_channels(refused + 1));
    EXPECT_EQ(s.frames.back().kind, FrameKind::link_close);
    EXPECT_EQ(sim::count_of(s.frames, FrameKind::link_close), 1u);
    EXPECT_TRUE(all_exact(s.frames));
    expect_first_channels_stored(s, memory, refused);
    EXPECT_EQ(occurrences(program().transcript(), texts::kWriteEnd), 0u);
}

INSTANTIATE_TEST_SUITE_P(FirstMiddleAndLastChannel, Refusal, testing::Values(0, 17, 399));

/// A key that stops the transfer while channel 0 awaits its acknowledgement.
struct StopKey {
    const char* name;
    const char* typed;
    const char* shown;  ///< as the message names it
    bool closes_link;
    std::size_t lost_byte = 0;  ///< the radio's byte lost on the line instead of a slow radio
};

class KeyWhileAwaiting : public Transfer, public testing::WithParamInterface<StopKey> {};

TEST_P(KeyWhileAwaiting, StopsTheTransfer) {
    const StopKey& key = GetParam();
    sim::RadioConfig config = sim::model_config(Model::id91);
    config.ack_delay = key.lost_byte > 0 ? config.ack_delay : kNoAck;
    config.line.drop_byte = key.lost_byte;
    const auto& radio = start_radio(config);
    ProgramRun& run = launch_for(radio, varied_memory_file(5));
    ASSERT_TRUE(await(radio, "channel 0's frame",
                      [](const sim::Snapshot& s) { return channel_frames(s) == 1; }));
    ASSERT_TRUE(key.lost_byte == 0 ||
                run.wait_for_text("The radio has not answered channel 0 for 3 s; the program "
                                  "keeps waiting, and Esc stops it.\n" +
                                  counter(0)));
    const std::size_t heard = radio.frames().size();
    run.type(key.typed);
    // Not a signal: the program ends by itself, with its message and key wait. The
    // radio may have stored channel 0 without saying so yet: the line says what
    // is known.
    EXPECT_EQ(finish_after(counter(0) + "\n" + std::string(texts::kWriteError) + "Stopped by " +
                           key.shown +
                           " before the radio acknowledged channel 0: channels 1 to 399 were not "
                           "written, and 0 may or may not have been.\n"),
              status(ExitStatus::aborted));
    const sim::Snapshot s = settle(radio);
    EXPECT_EQ(channel_sequence(s.frames), first_channels(1));
    // Keep-alives may have gone out before the key was read; then only the link's close.
    const std::vector after(s.frames.begin() + static_cast<std::ptrdiff_t>(heard), s.frames.end());
    EXPECT_EQ(sim::summary(after, {FrameKind::keepalive}),
              key.closes_link ? "LINK_CLOSE@38400" : "");
    EXPECT_EQ(sim::count_of(s.frames, FrameKind::link_close), key.closes_link ? 1u : 0u);
    if (key.closes_link) {
        EXPECT_EQ(s.frames.back().kind, FrameKind::link_close);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Transfer, KeyWhileAwaiting,
    testing::Values(StopKey{"EscWhileAChannelAwaitsItsAcknowledgementClosesTheLink", "\x1b", "Esc",
                            true},
                    StopKey{"CtrlCDuringTheTransferIsAKeyThatStopsWithoutAnotherFrame", "\x03",
                            "Ctrl-C", false},
                    // Channel 0's end byte: after 2 identify replies of 8, the OK to LINK_OPEN.
                    StopKey{"EscAfterTheEndOfAnAcknowledgementIsLost", "\x1b", "Esc", true, 28}),
    testing::PrintToStringParamName());

TEST_F(Transfer, ArrowAndFunctionKeysDoNotStopIt) {
    const auto& radio = start_radio(never_ready_id92());
    ProgramRun& run = launch_for(radio, varied_memory_file(3));
    ASSERT_TRUE(await(radio, FrameKind::ready_probe, 1));
    // Up, F1, Delete, and a plain letter: keys the loop reads and drops.
    run.type("\x1b[A\x1bOP\x1b[3~q");
    const std::size_t keepalives = sim::count_of(radio.frames(), FrameKind::keepalive);
    ASSERT_TRUE(await(radio, FrameKind::keepalive, keepalives + 3));
    EXPECT_EQ(sim::count_of(radio.frames(), FrameKind::link_close), 0u);
    run.type("\x1b");
    EXPECT_EQ(finish_after(texts::kWriteError), status(ExitStatus::aborted));
    EXPECT_EQ(sim::count_of(settle(radio).frames, FrameKind::link_close), 1u);
}

TEST_F(Transfer, AcknowledgementsACableHoldsBackAreToldWithWhatTheyCost) {
    // A USB adapter's usual latency timer on a line at wire speed; none, paced and not.
    for (const auto& [pace, latency] : {std::pair{true, 16}, {true, 0}, {false, 0}}) {
        sim::RadioConfig config = sim::model_config(Model::id91);
        config.pace = pace;
        config.line.latency = std::chrono::milliseconds(latency);
        run_to_success(start_radio(config), varied_memory_file(sim::kChannelCount));
        const std::string transcript = program().transcript();
        const std::string told = "The radio's acknowledgements came ";
        const std::size_t late = transcript.find(told);
        ASSERT_EQ(late != std::string::npos, latency > 0) << transcript;
        EXPECT_NEAR(latency > 0 ? std::stod(transcript.substr(late + told.size())) : 0, latency,
                    latency * 0.3);
    }
}

TEST_F(Transfer, ShortFileErasesEveryChannelAfterItsLastRow) {
    const auto& radio = start_radio(sim::model_config(Model::id91));
    // A row without a frequency in the middle, and a last line without a break.
    const std::string memory =
        "CH,Frequency,Dup,Offset,TS,Mode,Name\n"
        "0,145.500000,,,,FM,FIRST\n"
        "1,,,,,FM,NOFREQ\n"
        "2,433.450000,DUP-,5.000000,,DV,LAST";
    const sim::Snapshot s = run_to_success(radio, memory);
    EXPECT_EQ(sim::count_slots(s.radio.image, sim::SlotState::written), 2);
    EXPECT_EQ(sim::count_of(s.frames, FrameKind::erase), 398u);
}

TEST_F(Transfer, SlowAcknowledgementsAreWaitedForWithKeepalives) {
    sim::RadioConfig config = sim::model_config(Model::id91);
    config.ack_delay = std::chrono::milliseconds(1000);
    const auto& radio = start_radio(config);
    ProgramRun& run = launch_for(radio, varied_memory_file(10));
    ASSERT_TRUE(await(radio, "3 channel frames",
                      [](const sim::Snapshot& s) { return channel_frames(s) >= 3; }));
    run.type("\x1b");
    EXPECT_EQ(finish_after(texts::kWriteError), status(ExitStatus::aborted));

    const sim::Snapshot s = settle(radio);
    const std::vector<int> sent = channel_sequence(s.frames);
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent, first_channels(static_cast<int>(sent.size()))) << "a channel sent twice";
    // Between each channel and the next the link is kept alive.
    const auto kinds = only(s.frames, {FrameKind::keepalive, FrameKind::write, FrameKind::erase});
    for (std::size_t i = 0; i + 1 < kinds.size(); ++i) {
        if (kinds[i].kind == FrameKind::keepalive || kinds[i + 1].kind == FrameKind::keepalive)
            continue;
        ADD_FAILURE() << "no keep-alive between two channels: " << sim::summary(kinds);
        break;
    }
    EXPECT_TRUE(all_exact(s.frames));
}

TEST_F(Transfer, NoiseBeforeEveryReplyIsSkipped) {
    sim::RadioConfig config = sim::model_config(Model::id92);
    config.filler = sim::filler_bytes(5);
    const sim::Snapshot s = run_to_success(start_radio(config), varied_memory_file(60));
    EXPECT_GT(s.radio.faulted_replies, sim::kChannelCount);
}

TEST_F(Transfer, OverlongReplyBeforeAnAcknowledgementIsOutlasted) {
    sim::RadioConfig config = sim::model_config(Model::id91);
    config.overlong = 300;
    config.fault_replies = sim::reply_bit(sim::ReplyKind::ack);
    config.fault_limit = 1;
    const sim::Snapshot s = run_to_success(start_radio(config), varied_memory_file(30));
    EXPECT_EQ(s.radio.faulted_replies, 1);
}

}  // namespace
}  // namespace quillmer::e2e
