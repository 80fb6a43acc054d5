// Faults end to end: a serial device that vanishes, a radio that falls silent
// or talks noise, memory files that are no memory files, answers at the port
// prompt that name no port, and standard input that ends. Whatever happens, the
// run must end the way the console says, never hang without a way out, never
// spin, and never leave a channel other than the file asks without saying so.

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "tests/e2e/fixture.h"
#include "tests/e2e/wire.h"

namespace quillmer::e2e {
namespace {

using e2e::PrintTo;  // rows by their names
namespace fs = std::filesystem;
using sim::FrameKind;
using sim::Model;
using Clock = std::chrono::steady_clock;

/// The end of the console when the device went away while `channel` awaited
/// its acknowledgement: the counter kept, the error, and the line that says
/// which channels the radio holds.
std::string gone_while_awaiting(int channel) {
    // Used for channels 0, 29, 199 and 399 only: none of them makes a range of one.
    std::string held;
    if (channel > 0) held = "channels 0 to " + std::to_string(channel - 1) + " were written, ";
    if (channel == 0) held = "channels 1 to 399 were not written, ";
    if (channel > 0 && channel < 399) held += std::to_string(channel + 1) + " to 399 were not, ";
    return counter(channel) + "\n" + std::string(texts::kWriteError) + std::string(kGone) +
           " before the radio acknowledged channel " + std::to_string(channel) + ": " + held +
           "and " + std::to_string(channel) + " may or may not have been.\n";
}

// A run that should end by itself takes about a second; this only tells "it
// ended" from "it hangs" on any machine.
constexpr auto kEndsBy = std::chrono::seconds(20);
// A wait long enough that a busy loop shows in the CPU time whatever the load.
constexpr auto kIdleWindow = std::chrono::milliseconds(2500);

/// One look at the program's process through /proc.
struct ProcessSample {
    Clock::time_point at;
    double cpu_seconds = 0;  ///< user and system time used so far
    char state = '?';        ///< 'Z' once it has ended (not yet reaped)
};

/// The fields of a process's stat line in /proc from its state on; none when
/// the process has gone.
std::optional<std::istringstream> stat_fields(const fs::path& process) {
    std::ifstream in(process / "stat");
    std::string text;
    // The command name in parentheses may hold spaces: count from after it.
    if (!std::getline(in, text) || text.rfind(')') == std::string::npos) return std::nullopt;
    return std::istringstream(text.substr(text.rfind(')') + 1));
}

std::optional<ProcessSample> sample(pid_t pid) {
    const std::string dir = "/proc/" + std::to_string(pid);
    ProcessSample s;
    s.at = Clock::now();
    std::optional<std::istringstream> fields = stat_fields(dir);
    if (!fields) return std::nullopt;
    std::string skip;
    *fields >> s.state;
    for (int field = 4; field <= 13; ++field) *fields >> skip;
    unsigned long long user = 0;
    unsigned long long system = 0;
    if (!(*fields >> user >> system)) return std::nullopt;
    s.cpu_seconds = static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
    // The scheduler's own count, in nanoseconds, where the kernel keeps it: a
    // few milliseconds of busy loop show there, not in clock ticks.
    std::ifstream schedstat(dir + "/schedstat");
    unsigned long long on_cpu_ns = 0;
    if (schedstat >> on_cpu_ns) s.cpu_seconds = static_cast<double>(on_cpu_ns) * 1e-9;
    return s;
}

/// The program's process: the one child of this test process (the simulated
/// radios are threads). -1 when there is not exactly one.
pid_t program_pid() {
    pid_t found = -1;
    int children = 0;
    std::error_code error;
    for (fs::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::optional<std::istringstream> fields = stat_fields(it->path());
        char state = 0;
        pid_t parent = 0;
        if (fields && *fields >> state >> parent && parent == getpid()) {
            found = static_cast<pid_t>(std::stol(name));
            ++children;
        }
    }
    return children == 1 ? found : -1;
}

/// Success when the program used less than a quarter of one core between the
/// two samples: a busy loop uses all of it, and load on the machine only lowers
/// the share. Callers take samples seconds apart.
testing::AssertionResult mostly_idle(const ProcessSample& from, const ProcessSample& to) {
    const std::chrono::duration<double> wall = to.at - from.at;
    const double cpu = to.cpu_seconds - from.cpu_seconds;
    if (cpu < 0.25 * wall.count()) return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "the program used " << cpu << " s of CPU in " << wall.count() << " s";
}

/// What the program's open descriptors point at.
std::vector<std::string> open_files(pid_t pid) {
    std::vector<std::string> targets;
    std::error_code error;
    const fs::path fds = "/proc/" + std::to_string(pid) + "/fd";
    for (fs::directory_iterator it(fds, error), end; !error && it != end; it.increment(error)) {
        std::error_code link_error;
        const fs::path target = fs::read_symlink(it->path(), link_error);
        if (!link_error) targets.push_back(target.string());
    }
    return targets;
}

/// True when one of `targets` is `path`, also a device that has gone since.
bool holds(const std::vector<std::string>& targets, const std::string& path) {
    return std::ranges::any_of(
        targets, [&](const std::string& t) { return t == path || t == path + " (deleted)"; });
}

class Faults : public EndToEnd {
  protected:
    /// The program's process, found once it runs, where it can be looked at
    /// (natively); -1 under Wine. Fails the test when it cannot be told apart.
    pid_t program_process() const {
        if (!native()) return -1;
        const pid_t pid = program_pid();
        EXPECT_GT(pid, 0) << "the program is not this test's only child";
        return pid;
    }

    /// Expects the program, sampled at `from`, still to run kIdleWindow later,
    /// having used little CPU meanwhile. Nothing for no process (-1).
    static void expect_idle_since(pid_t pid, const std::optional<ProcessSample>& from) {
        if (pid <= 0) return;
        ASSERT_TRUE(from);
        std::this_thread::sleep_until(from->at + kIdleWindow);
        const auto now = sample(pid);
        ASSERT_TRUE(now);
        EXPECT_NE(now->state, 'Z') << "the program ended meanwhile";
        EXPECT_TRUE(mostly_idle(*from, *now));
    }

    /// The host path of a file in the test's directory.
    fs::path in_test_dir(std::string_view name) const {
        return settings_path().parent_path() / name;
    }

    /// Expects the program to hold the memory file and `port` open, or neither.
    void expect_holding(pid_t pid, const std::string& port, bool open) const {
        if (pid <= 0) return;
        const std::vector<std::string> files = open_files(pid);
        EXPECT_EQ(holds(files, in_test_dir("memory.csv").string()), open) << "the memory file";
        EXPECT_EQ(holds(files, port), open) << "the port";
    }
};

// ---------------------------------------------------------------------------
// The device vanishes.

class VanishedDevice : public Faults {};

/// The device vanishes as a channel frame arrives.
struct Vanishing {
    const char* name;
    Model model;
    int frame;  ///< the channel frame, counted from 1
};

class VanishAt : public VanishedDevice, public testing::WithParamInterface<Vanishing> {};

TEST_P(VanishAt, EndsWithTheCauseAndTheFailure) {
    const int frame = GetParam().frame;
    sim::RadioConfig config = sim::model_config(GetParam().model);
    config.vanish_after = frame;
    const auto& radio = start_radio(config);
    const std::string memory = varied_memory_file(sim::kChannelCount);
    ProgramRun& run = launch_for(radio, memory);
    const pid_t pid = program_process();

    ASSERT_TRUE(
        await(radio, "the device vanishing", [](const sim::Snapshot& s) { return s.vanished; }));
    const std::optional<ProcessSample> gone = pid > 0 ? sample(pid) : std::nullopt;
    const std::string ending = gone_while_awaiting(frame - 1);
    ASSERT_TRUE(run.wait_for_text(ending, 1, kEndsBy));
    // The key wait after the message is where the program now sits; it must sit
    // there idle, with the file and the dead port let go.
    expect_idle_since(pid, gone);
    expect_holding(pid, radio.slave_path(), false);
    EXPECT_EQ(finish_after(ending), status(ExitStatus::device_gone));

    const std::string transcript = run.transcript();
    EXPECT_TRUE(transcript.ends_with(ending + std::string(native() ? texts::kPressKey : "")))
        << "the failure and its cause right after the last channel's counter: "
        << testing::PrintToString(transcript);
    EXPECT_EQ(occurrences(transcript, ending), 1u);
    EXPECT_EQ(occurrences(transcript, texts::kWriteEnd), 0u);

    // Every channel the radio took holds what the file says; the one it vanished
    // on and all after it were never touched.
    const sim::Snapshot s = radio.snapshot();
    EXPECT_EQ(channel_sequence(s.frames), first_channels(frame));
    EXPECT_TRUE(all_exact(s.frames));
    EXPECT_EQ(sim::count_of(s.frames, FrameKind::link_close), 0u);
    expect_first_channels_stored(s, memory, frame - 1);
}

// The first channel frame, one in the middle, and the last one: the device gone
// before the acknowledgement that would have ended the run well.
INSTANTIATE_TEST_SUITE_P(VanishedDevice, VanishAt,
                         testing::Values(Vanishing{"FirstChannel", Model::id92, 1},
                                         Vanishing{"MidTransferEndsTheRunByItselfWithoutSpinning",
                                                   Model::id91, 200},
                                         Vanishing{"LastChannel", Model::id92, sim::kChannelCount}),
                         testing::PrintToStringParamName());

TEST_F(VanishedDevice, DuringTheHandshakeTheCallsRunOutAndThePromptComesBack) {
    auto& vanishing = start_radio(silent_id91());
    const auto& radio = start_radio(sim::model_config(Model::id92));
    const std::string memory = varied_memory_file(12);
    ProgramRun& run = launch_for(vanishing, memory);
    const pid_t pid = program_process();

    ASSERT_TRUE(await(vanishing, FrameKind::identify, 1));
    vanishing.vanish();
    const std::optional<ProcessSample> gone = pid > 0 ? sample(pid) : std::nullopt;
    const std::string no_response =
        std::string(texts::kNoResponse) + nothing_answered(vanishing) + prompt();
    ASSERT_TRUE(run.wait_for_text(no_response));

    if (pid > 0) {
        // Every call went to a dead port that answers at once, yet the passes
        // between them (some 500 of 5 ms) must still be spent asleep.
        ASSERT_TRUE(gone);
        const auto at_prompt = sample(pid);
        ASSERT_TRUE(at_prompt);
        EXPECT_TRUE(mostly_idle(*gone, *at_prompt));
        EXPECT_FALSE(holds(open_files(pid), vanishing.slave_path())) << "the dead port is open";
    }
    // The calls ran out as with any port where nothing answers. The speed
    // changes between them are refused by a port that has gone, which the
    // console says as for any refused change; nothing else is shown.
    const std::string transcript = run.transcript();
    const std::string com_line = "Com:" + port_of(vanishing) + "\n";
    const std::size_t calls = transcript.find(com_line);
    ASSERT_NE(calls, std::string::npos) << testing::PrintToString(transcript);
    std::string shown = transcript.substr(calls + com_line.size());
    shown = shown.substr(0, shown.find(texts::kNoResponse));
    std::size_t turns = 0;
    for (int n = 0; n < 4; ++n) {
        const std::string glyph = spinner(n);
        for (std::size_t at = shown.find(glyph); at != std::string::npos; at = shown.find(glyph)) {
            shown.erase(at, glyph.size());
            ++turns;
        }
    }
    for (std::size_t at = shown.find(texts::kDcbError); at != std::string::npos;
         at = shown.find(texts::kDcbError)) {
        shown.erase(at, texts::kDcbError.size());
    }
    EXPECT_EQ(shown, "") << "besides the turning glyph and refused speed changes";
    EXPECT_EQ(turns, 9u + 5u + 5u) << "nine long calls and two short attempts";

    run.type(port_of(radio) + "\n");
    finish_written(radio, memory);
    EXPECT_EQ(occurrences(run.transcript(), kGone), 0u);
}

// ---------------------------------------------------------------------------
// The radio is there but does not say what it should.

class TroubledRadio : public Faults {};

TEST_F(TroubledRadio, SilenceMidWriteIsWaitedOutWithKeepalivesUntilEsc) {
    constexpr int kMuteAt = 120;  // channel frame, counted from 1: channel 119
    sim::RadioConfig config = sim::model_config(Model::id92);
    config.mute_after = kMuteAt;
    const auto& radio = start_radio(config);
    const std::string memory = varied_memory_file(sim::kChannelCount);
    ProgramRun& run = launch_for(radio, memory);
    const pid_t pid = program_process();

    ASSERT_TRUE(await(radio, "the radio falling silent",
                      [](const sim::Snapshot& s) { return s.radio.muted; }));
    // A radio that is still there is waited for: asleep, the link kept alive,
    // nothing sent again, nothing ended, nothing let go.
    expect_idle_since(pid, pid > 0 ? sample(pid) : std::nullopt);
    EXPECT_TRUE(await(radio, "3 KEEPALIVE after the silence", [](const sim::Snapshot& s) {
        std::size_t channels = 0;
        std::size_t keepalives = 0;
        for (const sim::ReceivedFrame& f : s.frames) {
            if (f.kind == FrameKind::write || f.kind == FrameKind::erase) ++channels;
            if (f.kind == FrameKind::keepalive && channels >= kMuteAt) ++keepalives;
        }
        return keepalives >= 3;
    }));
    expect_holding(pid, radio.slave_path(), true);
    EXPECT_EQ(occurrences(run.transcript(), texts::kWriteError), 0u);
    EXPECT_EQ(occurrences(run.transcript(), kGone), 0u);

    run.type("\x1b");
    EXPECT_EQ(finish_after(texts::kWriteError), status(ExitStatus::aborted));
    EXPECT_EQ(occurrences(run.transcript(), kGone), 0u);
    const sim::Snapshot s = settle(radio);
    EXPECT_EQ(channel_sequence(s.frames), first_channels(kMuteAt));
    EXPECT_TRUE(all_exact(s.frames));
    ASSERT_FALSE(s.frames.empty());
    EXPECT_EQ(s.frames.back().kind, FrameKind::link_close);
    EXPECT_EQ(sim::count_of(s.frames, FrameKind::link_close), 1u);
    expect_first_channels_stored(s, memory, kMuteAt - 1);
}

TEST_F(TroubledRadio, BurstsOfNoiseBeforeEveryAcknowledgementAreOutlasted) {
    // In front of every OK: more noise than a reply can hold, a reply that
    // starts like one and never ends, and an end byte that ends nothing.
    sim::RadioConfig config = sim::model_config(Model::id92);
    config.filler = sim::filler_bytes(600);
    config.overlong = 300;
    config.lone_fd = true;
    config.fault_replies = sim::reply_bit(sim::ReplyKind::ack);
    const sim::Snapshot s =
        run_to_success(start_radio(config), varied_memory_file(sim::kChannelCount));
    EXPECT_EQ(s.radio.faulted_replies, sim::kChannelCount);
}

// ---------------------------------------------------------------------------
// Memory files that are no memory files.

class BadMemoryFile : public Faults {
  protected:
    /// Runs the program on `path` with a radio in the settings file; expects
    /// `status` after a message ending in `last_text`, and the radio untouched.
    void expect_refused(const std::string& path, ExitStatus ending, std::string_view last_text) {
        const auto& radio = start_radio(sim::model_config(Model::id91));
        write_settings(port_of(radio) + "\n");
        ProgramRun& run = launch({path});
        EXPECT_EQ(finish_after(last_text), status(ending));
        EXPECT_EQ(occurrences(run.transcript(), "Com:"), 0u) << "a port was looked for";
        EXPECT_TRUE(settle(radio).frames.empty());
    }
};

TEST_F(BadMemoryFile, DirectoryIsNotOpened) {
    const fs::path dir = in_test_dir("memory.csv");
    ASSERT_TRUE(fs::create_directory(dir));
    expect_refused(dir.string(), ExitStatus::memory_file_unreadable, texts::kMemoryFileNotOpened);
}

TEST_F(BadMemoryFile, UnreadableFileIsNotOpened) {
    const std::string path = write_memory_file(varied_memory_file(5));
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    if (geteuid() == 0) {
        // Root reads any file through two capabilities; without them in its
        // bounding set a program run as root meets file modes like anyone.
        const char* drop = "setpriv --bounding-set -dac_override,-dac_read_search -- true";
        if (std::system(drop) != 0) {
            GTEST_SKIP() << "running as root, and setpriv cannot drop the capabilities that "
                            "let root read a file of mode 000";
        }
        launcher_.argv_prefix.insert(
            launcher_.argv_prefix.begin(),
            {"setpriv", "--bounding-set", "-dac_override,-dac_read_search", "--"});
    }
    expect_refused(path, ExitStatus::memory_file_unreadable, texts::kMemoryFileNotOpened);
}

struct BinaryFile {
    const char* name;
    std::string bytes;
};

void PrintTo(const BinaryFile& file, std::ostream* out) {
    *out << file.name << " (" << file.bytes.size() << " bytes)";
}

/// Bytes of every value from a fixed generator, as a compressed file holds.
std::string random_bytes(std::size_t count) {
    std::string all(count, '\0');
    std::uint32_t x = 0x2545F491;
    for (char& c : all) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x >> 24);
    }
    return all;
}

std::string utf16le(std::string_view ascii) {
    std::string wide = "\xFF\xFE";
    for (char c : ascii) {
        wide += c;
        wide += '\0';
    }
    return wide;
}

using namespace std::string_literals;

const BinaryFile kBinaryFiles[] = {
    // A program named by mistake: its header, zeros, and a line of it that starts
    // with a digit, as the dynamic loader's path does after a line feed byte.
    {"Executable",
     "\x7f"
     "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0\x3e\0\x01\0\0\0\x10\x10\0\0\n"
     "4/ld-linux-x86-64.so.2\0\0\0\0\x04\0\0\0\x14\0\0\0\x03\0GNU\0\xb2\x8f\x11\0"s},
    // A row whose frequency a zero byte cuts off: what follows it would be lost,
    // and the channel erased.
    {"ZeroByteInAFrequency",
     "CH,Frequency,Dup,Offset,TS,Mode,Name\n0,\0"
     "145.500000,,,,FM,NAME\n"s},
    {"RandomBytes", random_bytes(16384)},
    {"Utf16Text", utf16le("CH,Frequency,Dup,Offset,TS,Mode,Name\r\n0,145.500000,,,,FM,NAME\r\n")},
};

class BinaryMemoryFile : public BadMemoryFile, public testing::WithParamInterface<BinaryFile> {};

TEST_P(BinaryMemoryFile, IsRefusedBeforeAnyPortIsOpened) {
    expect_refused(write_memory_file(GetParam().bytes), ExitStatus::memory_file_refused,
                   kNothingSent);
}

INSTANTIATE_TEST_SUITE_P(Kinds, BinaryMemoryFile, testing::ValuesIn(kBinaryFiles),
                         [](const testing::TestParamInfo<BinaryFile>& param) {
                             return std::string(param.param.name);
                         });

TEST_F(BadMemoryFile, TenThousandRowsWriteTheFirst400AndSaySo) {
    const auto& radio = start_radio(sim::model_config(Model::id91));
    const std::string memory = varied_memory_file(10000);
    ProgramRun& run = launch_for(radio, memory);
    EXPECT_EQ(finish_after(texts::kTooManyRows), status(ExitStatus::too_many_rows));
    expect_whole_memory_written(settle(radio), memory);
    EXPECT_EQ(occurrences(run.transcript(),
                          std::string(texts::kWriteEnd) + std::string(texts::kTooManyRows)),
              1u);
}

TEST_F(BadMemoryFile, TenThousandRowsWithABadNumberInTheLastAreRefusedWhole) {
    // Far past the 400 channels that would be written, yet the file as a whole
    // is wrong: it never reaches the radio.
    std::string memory = varied_memory_file(10000);
    const std::size_t lines = occurrences(memory, "\n");
    memory += "10000,14S.500000,,,,FM,LAST\n";
    const std::string path = write_memory_file(memory);
    expect_refused(path, ExitStatus::memory_file_refused, kNothingSent);
    EXPECT_NE(program().transcript().find("line " + std::to_string(lines + 1) + ", column 2"),
              std::string::npos)
        << testing::PrintToString(program().transcript());
}

// ---------------------------------------------------------------------------
// Answers at the port prompt.

class PromptAnswers : public Faults {};

TEST_F(PromptAnswers, AnswersNamingNoPortBringThePromptBack) {
    const auto& radio = start_radio(sim::model_config(Model::id91));
    const std::string memory = varied_memory_file(6);
    ProgramRun& run = launch({write_memory_file(memory)});
    const std::vector<std::string> answers = {
        // Longer than an answer may be, though a shorter one would name the radio.
        port_of(radio) + std::string(300, ' '),
        std::string(40, '9'),  // a number no port has
        "abc",                 // no number: the last one (none yet) again
        "-3",
    };
    // The line after each open error.
    const std::string why[] = {
        "A port name longer than 255 characters names no port.\n",
        no_such_port_line(0),
        no_such_port_line(0),
        no_such_port_line(-3),
    };
    std::string expected;
    for (std::size_t i = 0; i < answers.size(); ++i) {
        ASSERT_TRUE(run.wait_for_text(texts::kPortPrompt, i + 1));
        run.type(answers[i] + "\n");
        expected += prompt() + echo(answers[i]) + std::string(texts::kOpenError) + why[i];
    }
    ASSERT_TRUE(run.wait_for_text(texts::kPortPrompt, answers.size() + 1));
    EXPECT_TRUE(radio.frames().empty()) << "the radio was called before it was named";
    run.type(port_of(radio) + "\n");
    finish_written(radio, memory);

    const std::string transcript = run.transcript();
    const std::string help_end = std::string(texts::kSettingsHelp3) + settings_places_line();
    const std::size_t prompts = transcript.find(help_end);
    ASSERT_NE(prompts, std::string::npos) << testing::PrintToString(transcript);
    EXPECT_EQ(transcript.substr(prompts + help_end.size(), expected.size()), expected);
}

TEST_F(PromptAnswers, AMegabyteAnswerOnAPipeIsOneAnswer) {
    launcher_.stdio = Stdio::pipes;
    const auto& radio = start_radio(sim::model_config(Model::id91));
    const std::string memory = varied_memory_file(6);
    ProgramRun& run = launch({write_memory_file(memory)});
    run.type(std::string(1 << 20, '7') + "\n" + port_of(radio) + "\n");
    run.close_input();
    EXPECT_EQ(run.wait_exit(), status(ExitStatus::written)) << run.transcript();
    EXPECT_EQ(occurrences(run.transcript(), texts::kPortPrompt), 2u);
    EXPECT_EQ(occurrences(run.transcript(), texts::kOpenError), 1u);
    expect_whole_memory_written(settle(radio), memory);
}

TEST_F(PromptAnswers, EmptyAnswerMeansTheFirstPort) {
    const auto& radio = start_radio(sim::model_config(Model::id92));
    const std::string memory = varied_memory_file(6);
    const std::string first_port = "/dev/ttyS0";
    std::error_code error;
    const bool exists = fs::exists(first_port, error);
    if (exists) {
        // Port 1 is a real device here. In a mount namespace of its own the
        // program finds the radio there instead, and no frame reaches the device.
        if (!native()) GTEST_SKIP() << first_port << " exists and only a native run can hide it";
        const std::string probe = "unshare --mount --propagation private sh -c 'mount --bind " +
                                  radio.slave_path() + " " + first_port + "' 2>/dev/null";
        if (std::system(probe.c_str()) != 0) {
            GTEST_SKIP() << first_port << " is a real device here, and it cannot be covered "
                         << "with the radio in a mount namespace (not root?)";
        }
        launcher_.argv_prefix = {"unshare",
                                 "--mount",
                                 "--propagation",
                                 "private",
                                 "sh",
                                 "-c",
                                 R"(mount --bind "$1" "$2" && shift 2 && exec "$@")",
                                 "sh",
                                 radio.slave_path(),
                                 first_port};
    }
    ProgramRun& run = launch({write_memory_file(memory)});
    ASSERT_TRUE(run.wait_for_text(texts::kPortPrompt));
    run.type("\n");
    if (!exists) {
        ASSERT_TRUE(
            run.wait_for_text(std::string(texts::kOpenError) + no_such_port_line(1) + prompt()));
        run.type(port_of(radio) + "\n");
    }
    finish_written(radio, memory);
    EXPECT_EQ(occurrences(run.transcript(), texts::kPortPrompt), exists ? 1u : 2u);
}

// ---------------------------------------------------------------------------
// Standard input ends.

class ClosedInput : public Faults {};

TEST_F(ClosedInput, NeitherSpinsNorStopsAWaitAndTheEndNeedsNoKey) {
    launcher_.stdio = Stdio::pipes;
    constexpr int kMuteAt = 30;
    sim::RadioConfig config = sim::model_config(Model::id91);
    config.mute_after = kMuteAt;
    auto& radio = start_radio(config);
    ProgramRun& run = launch_for(radio, varied_memory_file(50));
    run.close_input();
    const pid_t pid = program_process();

    // The keyboard is gone for good, and the radio silent: the transfer waits,
    // asleep between its polls of both; the end of input does not end it.
    ASSERT_TRUE(await(radio, "the radio falling silent",
                      [](const sim::Snapshot& s) { return s.radio.muted; }));
    expect_idle_since(pid, pid > 0 ? sample(pid) : std::nullopt);
    const std::size_t keepalives = sim::count_of(radio.frames(), FrameKind::keepalive);
    ASSERT_TRUE(await(radio, FrameKind::keepalive, keepalives + 2));

    // The cable is pulled: the run ends by itself, and its last key wait ends
    // with the input.
    radio.vanish();
    EXPECT_EQ(run.wait_exit(kEndsBy), status(ExitStatus::device_gone)) << run.transcript();
    EXPECT_EQ(occurrences(run.transcript(), gone_while_awaiting(kMuteAt - 1)), 1u)
        << testing::PrintToString(run.transcript());
    EXPECT_EQ(channel_sequence(radio.snapshot().frames), first_channels(kMuteAt));
}

}  // namespace
}  // namespace quillmer::e2e
