#include "tests/e2e/fixture.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/e2e/memory_model.h"
#include "tests/e2e/wire.h"

namespace quillmer::e2e {

EndToEnd::EndToEnd() : launcher_(suite_launcher()) {}

EndToEnd::~EndToEnd() {
    program_.reset();  // it ends before its files go
    if (wrote_user_settings_) {
        std::error_code ignored;
        std::filesystem::remove(user_settings_path(), ignored);
    }
}

sim::Simulator& EndToEnd::start_radio(const sim::RadioConfig& config) {
    std::string error;
    sim::Simulator::LogFn log;
    if (const char* wanted = std::getenv("QUILLMER_E2E_SIM_LOG"); wanted && *wanted) {
        // For a look at a failing test: every frame heard and every reply sent.
        const std::size_t number = radios_.size();
        log = [number](const std::string& line) {
            std::fprintf(stderr, "radio %zu %s\n", number, line.c_str());
        };
    }
    auto radio = sim::Simulator::start(config, &error, std::move(log));
    if (!radio) throw std::runtime_error("the simulated radio did not start: " + error);
    radios_.push_back(std::move(radio));
    return *radios_.back();
}

std::string EndToEnd::write_memory_file(std::string_view text, std::string_view name) {
    return dir_.write(name, text).string();
}

void EndToEnd::write_settings(std::string_view text) {
    dir_.write(launcher_.settings_name(), text);
}

std::filesystem::path EndToEnd::settings_path() const {
    return dir_.path() / launcher_.settings_name();
}

/// The name of this machine's user, as Wine names the user's profile folder.
std::string user_name() {
    const passwd* entry = getpwuid(getuid());
    return entry != nullptr ? entry->pw_name : "";
}

std::filesystem::path EndToEnd::user_settings_path() const {
    if (launcher_.wine_prefix.empty()) return dir_.path() / "config" / "quillmer" / "quillmer.ini";
    return launcher_.wine_prefix / "drive_c" / "users" / user_name() / "AppData" / "Roaming" /
           "Quillmer" / "quillmer.ini";
}

std::string EndToEnd::user_settings_shown() const {
    if (launcher_.wine_prefix.empty()) return user_settings_path().string();
    return R"(C:\users\)" + user_name() + R"(\AppData\Roaming\Quillmer\quillmer.ini)";
}

void EndToEnd::write_user_settings(std::string_view text) {
    const std::filesystem::path path = user_settings_path();
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    wrote_user_settings_ = true;
}

std::string EndToEnd::shown(const std::filesystem::path& path) const {
    return launcher_.path_as_shown(path);
}

std::string EndToEnd::port_of(const sim::Simulator& radio) const {
    return launcher_.port_answer(radio.slave_path());
}

std::string EndToEnd::echo(const std::string& answer) const {
    return launcher_.stdio == Stdio::pty ? answer + "\n" : "";
}

const std::filesystem::path& EndToEnd::program_copy() {
    if (copy_.empty()) copy_ = install(launcher_, dir_.path());
    return copy_;
}

ProgramRun& EndToEnd::launch(const std::vector<std::string>& args) {
    Launcher launcher = launcher_;
    // The user's configuration folder and home are the test's own (both may
    // stay missing). Wine takes %APPDATA% from its prefix instead, which each
    // run makes afresh.
    launcher.environment.push_back("XDG_CONFIG_HOME=" + (dir_.path() / "config").string());
    launcher.environment.push_back("HOME=" + (dir_.path() / "home").string());
    program_.reset();
    program_ = ProgramRun::start(launcher, program_copy(), args);
    return *program_;
}

std::string EndToEnd::device_for_number(long number) const {
    if (!native()) return R"(\\.\COM)" + std::to_string(number);
    return number < 1 ? "" : "/dev/ttyS" + std::to_string(number - 1);
}

std::string EndToEnd::no_such_port_line(long number) const {
    const std::string device = device_for_number(number);
    if (device.empty()) {
        return "Port " + std::to_string(number) +
               " names no device: give a port number from 1 up, or a device path." +
               std::string(kListHint);
    }
    return "port " + std::to_string(number) + " (" + device +
           ") does not exist: is the cable plugged in?" + std::string(kListHint);
}

std::string EndToEnd::settings_places_line() const {
    return "Not to be asked for the port each time, write it alone on the first line of " +
           shown(settings_path()) + " or " + user_settings_shown() + ".\n\n";
}

ProgramRun& EndToEnd::launch_for(const sim::Simulator& radio, std::string_view memory_text) {
    write_settings(port_of(radio) + "\n");
    return launch({write_memory_file(memory_text)});
}

int EndToEnd::finish_after(std::string_view last_text) {
    if (const testing::AssertionResult came = program_->wait_for_text(last_text); !came) {
        ADD_FAILURE() << came.message();
        return program_->wait_exit(1ms);
    }
    if (program_->stdio() == Stdio::pty) {
        program_->type("k");
    } else {
        program_->close_input();
    }
    return program_->wait_exit();
}

std::string EndToEnd::named(const sim::Simulator& radio) const {
    const std::string answer = port_of(radio);
    if (native()) return answer;
    return "port " + answer + " (" + device_for_number(std::stol(answer)) + ")";
}

std::string EndToEnd::nothing_answered(const sim::Simulator& radio) const {
    return "Nothing answered on " + named(radio) +
           ": is the radio switched on, and the cable plugged in at both ends?\n";
}

testing::AssertionResult EndToEnd::awaited_in_vain(std::string_view what, bool radio_ended,
                                                   const std::vector<sim::ReceivedFrame>& heard) {
    const std::string why = radio_ended                              ? "the radio has ended"
                            : program_ && program_->ended(kAfterEnd) ? "the program ended"
                                                                     : "the time ran out";
    return testing::AssertionFailure()
           << "awaited from the radio: " << what << "; but " << why
           << ".\nThe radio heard: " << (heard.empty() ? "nothing" : sim::summary(heard)) << "\n"
           << (program_ ? program_->how_it_stands() : "No program was started.");
}

testing::AssertionResult EndToEnd::await(const sim::Simulator& radio, sim::FrameKind kind,
                                         std::size_t count) {
    return await(radio, std::to_string(count) + " " + std::string(sim::kind_name(kind)),
                 [&](const sim::Snapshot& s) { return sim::count_of(s.frames, kind) >= count; });
}

sim::Snapshot EndToEnd::finish_written(const sim::Simulator& radio, const std::string& memory) {
    EXPECT_EQ(finish_after(texts::kWriteEnd), status(ExitStatus::written));
    sim::Snapshot s = settle(radio);
    expect_whole_memory_written(s, memory);
    return s;
}

sim::Snapshot EndToEnd::run_to_success(const sim::Simulator& radio, const std::string& memory) {
    launch_for(radio, memory);
    return finish_written(radio, memory);
}

void EndToEnd::expect_whole_memory_written(const sim::Snapshot& s, const std::string& memory) {
    EXPECT_EQ(channel_sequence(s.frames), first_channels(sim::kChannelCount));
    EXPECT_TRUE(all_exact(s.frames));
    for (const sim::ReceivedFrame& f : only(s.frames, {sim::FrameKind::erase})) {
        // An erase frame is exact whatever its channel: compare the whole frame.
        const int channel = channel_sequence({f}).at(0);
        EXPECT_EQ(f.bytes, sim::erase_frame(channel)) << "channel " << channel;
    }
    EXPECT_TRUE(memory_matches(s.radio.image, expected_channels(memory)));
    EXPECT_TRUE(std::all_of(s.radio.image.begin(), s.radio.image.end(), [](const sim::Slot& slot) {
        return slot.stores == 1;
    })) << "a channel stored more than once";
    ASSERT_FALSE(s.frames.empty());
    EXPECT_EQ(s.frames.back().kind, sim::FrameKind::link_close);
    EXPECT_EQ(sim::count_of(s.frames, sim::FrameKind::link_close), 1u);
}

void EndToEnd::expect_first_channels_stored(const sim::Snapshot& s, const std::string& memory,
                                            int count) {
    std::vector<ExpectedChannel> stored = expected_channels(memory);
    stored.resize(static_cast<std::size_t>(count));
    EXPECT_TRUE(memory_matches(s.radio.image, stored));
    EXPECT_EQ(sim::count_slots(s.radio.image, sim::SlotState::unwritten),
              sim::kChannelCount - count);
}

sim::RadioConfig silent_id91() {
    sim::RadioConfig config = sim::model_config(sim::Model::id91);
    config.silent = true;
    return config;
}

sim::RadioConfig never_ready_id92() {
    sim::RadioConfig config = sim::model_config(sim::Model::id92);
    config.probe_answer_from = sim::kNever;
    return config;
}

std::string spinner(int n) {
    return std::string(texts::kSpinner[static_cast<std::size_t>(n) % 4]) + "\r";
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_TRUE(in.good() || in.eof()) << path;
    return text.str();
}

std::string counter(int channel) {
    const std::string digits = std::to_string(10000 + channel);  // "10123" for 123
    return "ch:" + digits.substr(1) + "\r";
}

std::string varied_memory_file(int rows, bool crlf) {
    static const char* const kDuplex[] = {"DUP+", "DUP-", "OFF", "", "dup+", "off"};
    static const char* const kOffset[] = {"0.600000", "5.000000", "", "1.6", "0", " 7.600000"};
    static const char* const kMode[] = {"FM", "FM-N", "DV", "AM", "AUTO", "", "fm", "DVX"};
    static const char* const kCalls[] = {"VK2RBV G,VK2RBV B,CQCQCQ", "       I,VK2RBV B,CQCQCQ",
                                         "CQ,,", "", "LONGERTHAN8,AB,ZYXWVUTSR"};
    const std::string end = crlf ? "\r\n" : "\n";
    std::string text =
        "CH No,Frequency,Dup,Offset,TS,Mode,Name,SKIP,TONE,Repeater Tone,TSQL "
        "Frequency,DTCS Code,DTCS Polarity,DV SQL,DV SQL Code,Your Call "
        "Sign,RPT1 Call Sign,RPT2 Call Sign" +
        end;
    for (int i = 0; i < rows; ++i) {
        // The frequency: its megahertz, then as many decimals as given (none,
        // one or four to six), in six shapes and none, which erases the channel.
        const int hz = (i * 12500) % 2000000;  // 12.5 kHz steps through two MHz
        const int shapes[6][3] = {{144 + hz / 1000000, 6, hz % 1000000},
                                  {430 + i % 10, 4, (i * 125) % 10000},
                                  {145 + i % 3, 0, 0},
                                  {438 + i % 2, 5, (i * 250) % 100000},
                                  {1290 + i % 10, 6, (i * 12500) % 1000000},
                                  {50 + i % 4, 1, 5}};
        std::string frequency;
        if (i % 7 < 6) {
            const auto& [mhz, decimals, fraction] = shapes[i % 7];
            const std::string digits = std::to_string(fraction);
            frequency = (i % 7 == 3 ? " " : "") + std::to_string(mhz);  // one with a leading space
            if (decimals > 0)
                frequency += "." + std::string(decimals - digits.size(), '0') + digits;
        }
        // The name: short, long, empty (which blanks the call fields too),
        // space-led, or with quotation marks.
        const std::string n = std::to_string(i);
        const std::string names[] = {
            "CH" + n, "Repeater " + std::string(3 - std::min<std::size_t>(n.size(), 3), '0') + n,
            "", " Lead" + n, "Q\"" + n + "\""};
        text += n + "," + frequency + "," + kDuplex[i % 6] + "," + kOffset[(i / 2) % 6] + ",5kHz," +
                kMode[i % 8] + "," + names[i % 5];
        if (i % 11 != 10) {
            // Columns 8 to 16, then the call fields 3, 2 and 1.
            text += ",OFF,OFF,88.5Hz,88.5Hz,023,BOTH N,OFF,0,CQCQCQ,";
            text += kCalls[i % 5];
        }
        text += end;
    }
    return text;
}

}  // namespace quillmer::e2e
