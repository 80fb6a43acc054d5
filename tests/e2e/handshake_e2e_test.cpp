// The identification handshake as the real program runs it against simulated
// radios: which frames go out at which speed, what the console shows, and that
// the transfer that follows reaches the radio that answered.

#include <fcntl.h>
#include <sys/file.h>

#include <gtest/gtest.h>

#include "sim/pty.h"
#include "tests/e2e/fixture.h"
#include "tests/e2e/wire.h"

namespace quillmer::e2e {
namespace {

using e2e::PrintTo;  // rows by their names
using sim::FrameKind;
using sim::Model;

/// `count` turns of the glyph, as a handshake shows them from its start.
std::string spinner_prints(int count) {
    std::string prints;
    for (int n = 0; n < count; ++n) prints += spinner(n);
    return prints;
}

/// Turns of the glyph that `shown` consists of, from the first glyph on; -1
/// when it holds anything else or the glyphs out of order.
int spinner_turns(std::string_view shown) {
    for (int n = 0; spinner_prints(n).size() <= shown.size(); ++n) {
        if (spinner_prints(n) == shown) return n;
    }
    return -1;
}

/// The console between the end of `from` and the start of the next `to`.
std::string between(const std::string& transcript, std::string_view from, std::string_view to) {
    const std::size_t start = transcript.find(from);
    if (start == std::string::npos) return "<" + std::string(from) + " not shown>";
    const std::size_t end = transcript.find(to, start + from.size());
    if (end == std::string::npos) return "<" + std::string(to) + " not shown>";
    return transcript.substr(start + from.size(), end - start - from.size());
}

/// The frames before the first LINK_OPEN: the handshake's.
std::vector<sim::ReceivedFrame> handshake_frames(const sim::Snapshot& s) {
    auto frames = s.frames;
    frames.erase(
        frames.begin() + static_cast<std::ptrdiff_t>(find_kind(frames, FrameKind::link_open)),
        frames.end());
    return frames;
}

/// True when nobody holds the device's lock: the program locks the port it
/// has open.
bool not_held(const std::string& device) {
    const sim::Fd fd(::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    return fd.valid() && flock(fd.get(), LOCK_EX | LOCK_NB) == 0;
}

class Handshake : public EndToEnd {
  protected:
    std::string com_line(const sim::Simulator& radio) { return "Com:" + port_of(radio) + "\n"; }
    /// `silent` heard the calls at every speed in turn and nothing more; the
    /// console showed the glyph for each call and no model, gave up on the port
    /// once and asked for another.
    void expect_given_up_on(const sim::Simulator& silent) {
        // Frames at a speed the radio does not listen at carry "!".
        EXPECT_EQ(sim::summary(settle(silent).frames),
                  "IDENTIFY_LONG@38400 x9, SPEED_NOTICE@38400, IDENTIFY_SHORT@4800!, "
                  "SPEED_NOTICE@4800!, IDENTIFY_SHORT@9600!");
        const std::string transcript = program().transcript();
        // 9 long calls, then 5 turns in each of the two short attempts; no model
        // line, since nothing ever answered.
        EXPECT_EQ(between(transcript, com_line(silent), texts::kNoResponse), spinner_prints(19));
        EXPECT_EQ(occurrences(transcript, nothing_answered(silent) + prompt()), 1u);
        EXPECT_EQ(occurrences(transcript, "Com:"), 1u);
    }
};

TEST_F(Handshake, RadioAnsweringTheFirstCallIsFoundAtFullSpeed) {
    const auto& radio = start_radio(sim::model_config(Model::id91));
    const sim::Snapshot s = run_to_success(radio, varied_memory_file(9));
    // The answer is taken one byte a pass and the call goes out every sixth
    // pass, so a second call leaves before the eight bytes are in.
    EXPECT_EQ(sim::summary(handshake_frames(s)), "IDENTIFY_LONG@38400 x2");
    EXPECT_EQ(between(program().transcript(), com_line(radio), texts::kActivate),
              spinner_prints(2) + std::string(texts::kDetectId91));
}

TEST_F(Handshake, SilentPortRunsBothFallBacksThenThePortTypedAtThePromptAnswers) {
    const auto& silent = start_radio(silent_id91());
    const auto& radio = start_radio(sim::model_config(Model::id92));
    const std::string memory = varied_memory_file(9);
    ProgramRun& run = launch_for(silent, memory);
    ASSERT_TRUE(run.wait_for_text(texts::kPortPrompt));
    EXPECT_TRUE(not_held(silent.slave_path())) << "the silent port was not closed";
    run.type(port_of(radio) + "\n");
    const sim::Snapshot s = finish_written(radio, memory);

    expect_given_up_on(silent);
    // The second port is configured afresh at full speed, and its handshake turns
    // the glyph from the first one again.
    EXPECT_EQ(sim::summary(handshake_frames(s)), "IDENTIFY_LONG@38400 x2");
    EXPECT_EQ(between(run.transcript(), prompt() + echo(port_of(radio)), texts::kActivate),
              spinner_prints(2) + std::string(texts::kDetectId92));
}

TEST_F(Handshake, SilentPortAndTheInputEndingAtThePromptEndTheProgram) {
    const auto& silent = start_radio(silent_id91());
    ProgramRun& run = launch_for(silent, varied_memory_file(3));
    ASSERT_TRUE(run.wait_for_text(texts::kPortPrompt));
    run.close_input();
    EXPECT_EQ(run.wait_exit(), status(ExitStatus::no_port));

    expect_given_up_on(silent);
    const std::string transcript = run.transcript();
    EXPECT_EQ(occurrences(transcript, texts::kPortPrompt), 1u);
    EXPECT_GT(transcript.find(texts::kInputEnded), transcript.find(texts::kPortPrompt))
        << testing::PrintToString(transcript);
}

/// A radio that listens at a lower speed than 38400 only.
struct SlowRadio {
    const char* name;
    Model model;
    int speed;
    int least_turns;        ///< of the glyph before the model line
    const char* handshake;  ///< the frames before LINK_OPEN
};

class SlowRadioFound : public Handshake, public testing::WithParamInterface<SlowRadio> {};

TEST_P(SlowRadioFound, InItsShortAttemptThenWritesAtFullSpeed) {
    sim::RadioConfig config = sim::model_config(GetParam().model);
    config.speed = GetParam().speed;
    const auto& radio = start_radio(config);
    const sim::Snapshot s = run_to_success(radio, varied_memory_file(9));
    EXPECT_EQ(sim::summary(handshake_frames(s)), GetParam().handshake);
    EXPECT_EQ(frames_of(s.frames, FrameKind::link_open).at(0).speed, 38400);
    const auto detect = GetParam().model == Model::id91 ? texts::kDetectId91 : texts::kDetectId92;
    // The glyph turns on from the long calls, in order.
    EXPECT_GE(spinner_turns(between(program().transcript(), com_line(radio), detect)),
              GetParam().least_turns);
}

// Nine long calls, then five turns in each short attempt before the one that
// is answered.
const SlowRadio kSlowRadios[] = {
    {"RadioListeningOnlyAt4800IsFoundInTheFirstShortAttempt", Model::id91, 4800, 9,
     "IDENTIFY_LONG@38400! x9, SPEED_NOTICE@38400!, IDENTIFY_SHORT@4800, SPEED_NOTICE@4800, "
     "LINK_QUERY@38400"},
    {"RadioListeningOnlyAt9600IsFoundInTheSecondShortAttempt", Model::id92, 9600, 14,
     "IDENTIFY_LONG@38400! x9, SPEED_NOTICE@38400!, IDENTIFY_SHORT@4800!, SPEED_NOTICE@4800!, "
     "IDENTIFY_SHORT@9600, SPEED_NOTICE@9600, LINK_QUERY@38400"},
};

INSTANTIATE_TEST_SUITE_P(Handshake, SlowRadioFound, testing::ValuesIn(kSlowRadios),
                         testing::PrintToStringParamName());

TEST_F(Handshake, NoiseBeforeTheIdentifyReplyIsSkipped) {
    sim::RadioConfig filler = sim::model_config(Model::id92);
    filler.filler = sim::filler_bytes(16);
    filler.fault_replies = sim::reply_bit(sim::ReplyKind::identify);
    filler.fault_limit = 1;
    // Bytes ahead of the first answer that end a frame too short to be a reply.
    sim::RadioConfig noise_first = sim::model_config(Model::id92);
    noise_first.line.noise = {0xFE, 0xFE, 0xFD};
    for (const sim::RadioConfig& config : {filler, noise_first}) {
        const auto& radio = start_radio(config);
        const sim::Snapshot s = run_to_success(radio, varied_memory_file(9));
        ASSERT_EQ(s.radio.faulted_replies, config.fault_limit > 0 ? 1 : 0);
        // Still found by the long calls, the id bytes came through, the ready check ran.
        const auto calls = handshake_frames(s);
        EXPECT_EQ(calls.size(), sim::count_of(calls, FrameKind::identify));
        EXPECT_LE(calls.size(), 9u);
        EXPECT_EQ(occurrences(program().transcript(), texts::kDetectId92), 1u);
        EXPECT_GT(sim::count_of(s.frames, FrameKind::ready_probe), 0u);
    }
}

TEST_F(Handshake, OverlongReplyDoesNotStopTheNextReplyFromCounting) {
    // 300 bytes without an end byte in front of the first identify reply: more
    // than the long calls wait for, and more than a reply may hold.
    sim::RadioConfig config = sim::model_config(Model::id91);
    config.overlong = 300;
    config.fault_replies = sim::reply_bit(sim::ReplyKind::identify);
    config.fault_limit = 1;
    const auto& radio = start_radio(config);
    const sim::Snapshot s = run_to_success(radio, varied_memory_file(9));
    // The first frame end comes only in the attempt at 9600, and the reply it
    // ends still carries the id bytes. The queued bytes make the passes of the
    // short attempts follow one another at once, so frames go out back to back
    // around the speed changes; each still arrives at the speed it was written at.
    EXPECT_EQ(sim::summary(handshake_frames(s)),
              "IDENTIFY_LONG@38400 x9, SPEED_NOTICE@38400, IDENTIFY_SHORT@4800!, "
              "SPEED_NOTICE@4800!, IDENTIFY_SHORT@9600!, SPEED_NOTICE@9600!, LINK_QUERY@38400");
    EXPECT_EQ(occurrences(program().transcript(), texts::kDetectId91), 1u);
}

TEST_F(Handshake, BytesLeftOnTheLineByAnEarlierRunAreNotTakenForAnswers) {
    // A run stopped by Esc leaves the radio's last answers unread on the port:
    // an acknowledgement and a ready answer. Taken for answers to this run's
    // frames, the first would end the identification before the radio said who
    // it is, and the second would spare the ID-92 its ready probes.
    sim::RadioConfig config = sim::model_config(Model::id92);
    config.probe_answer_from = 2;
    config.waiting = {0xFE, 0xFE, 0x80, 0x01, 0xFB, 0xFD, 0xFE, 0xFE, 0x80, 0x01, 0x1D, 0x50, 0xFD};
    const auto& radio = start_radio(config);
    const sim::Snapshot s = run_to_success(radio, varied_memory_file(9));
    // Exactly as on a clean line.
    EXPECT_EQ(sim::summary(handshake_frames(s)), "IDENTIFY_LONG@38400 x2");
    EXPECT_EQ(between(program().transcript(), com_line(radio), texts::kActivate),
              spinner_prints(2) + std::string(texts::kDetectId92));
    EXPECT_EQ(sim::summary(only(s.frames, {FrameKind::link_open, FrameKind::ready_probe})),
              "LINK_OPEN@38400, READY_PROBE@38400 x2");
}

TEST_F(Handshake, AnAnswerNamingNoModelIsSaidAndWritesAsForAnId91) {
    sim::RadioConfig unknown_pair = sim::model_config(Model::id91);
    unknown_pair.id = {0x12, 0x34};
    const auto& radio = start_radio(unknown_pair);
    const sim::Snapshot s = run_to_success(radio, varied_memory_file(9));
    const std::string shown = between(program().transcript(), com_line(radio), texts::kActivate);
    EXPECT_TRUE(shown.ends_with("\r" + std::string(texts::kUnknownModel))) << shown;
    EXPECT_EQ(sim::count_of(s.frames, FrameKind::ready_probe), 0u);
}

}  // namespace
}  // namespace quillmer::e2e
