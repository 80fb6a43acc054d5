#include "tests/e2e/fixture.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

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
               std::string(text::kListHint);
    }
    return "port " + std::to_string(number) + " (" + device +
           ") does not exist: is the cable plugged in?" + std::string(text::kListHint);
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
    const bool came = program_->wait_for_text(last_text);
    EXPECT_TRUE(came) << "never shown: " << testing::PrintToString(std::string(last_text))
                      << "\ntranscript tail: "
                      << testing::PrintToString(
                             program_->transcript().substr(program_->transcript().size() > 300
                                                               ? program_->transcript().size() - 300
                                                               : 0));
    if (!came) return program_->wait_exit(1ms);
    if (program_->stdio() == Stdio::pty) {
        program_->type("k");
    } else {
        program_->close_input();
    }
    return program_->wait_exit();
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
        char frequency[24] = "";
        const int khz = (i * 12500) % 2000000;  // 12.5 kHz steps through two MHz
        switch (i % 7) {
            case 0:
                std::snprintf(frequency, sizeof frequency, "%d.%06d", 144 + khz / 1000000,
                              khz % 1000000);
                break;
            case 1:
                std::snprintf(frequency, sizeof frequency, "%d.%04d", 430 + i % 10,
                              (i * 125) % 10000);
                break;
            case 2:
                std::snprintf(frequency, sizeof frequency, "%d", 145 + i % 3);
                break;
            case 3:
                std::snprintf(frequency, sizeof frequency, " %d.%05d", 438 + i % 2,
                              (i * 250) % 100000);
                break;
            case 4:
                std::snprintf(frequency, sizeof frequency, "%d.%06d", 1290 + i % 10,
                              (i * 12500) % 1000000);
                break;
            case 5:
                std::snprintf(frequency, sizeof frequency, "%d.5", 50 + i % 4);
                break;
            default:
                break;  // no frequency: the channel is erased
        }
        char name[24] = "";
        switch (i % 5) {
            case 0:
                std::snprintf(name, sizeof name, "CH%d", i);
                break;
            case 1:
                std::snprintf(name, sizeof name, "Repeater %03d", i);
                break;
            case 2:
                break;  // empty: blanks the call fields too
            case 3:
                std::snprintf(name, sizeof name, " Lead%d", i);
                break;
            default:
                std::snprintf(name, sizeof name, "Q\"%d\"", i);
                break;
        }
        text += std::to_string(i) + "," + frequency + "," + kDuplex[i % 6] + "," +
                kOffset[(i / 2) % 6] + ",5kHz," + kMode[i % 8] + "," + name;
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
