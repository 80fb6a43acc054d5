#include "app/connect.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "core/texts.h"
#include "serial/scripted_line.h"

namespace quillmer::app {
namespace {

/// A console with answers typed in advance; input ends after the last.
class TypedTerminal final : public console::Terminal {
  public:
    std::string out;
    std::deque<std::string> answers;

    void print(std::string_view text) override { out += text; }
    void print_raw(std::string_view bytes) override { out += bytes; }
    bool key_waiting() override { return false; }
    int read_key() override { return console::kEndOfInput; }
    bool input_ended() override { return answers.empty(); }
    console::LineStatus read_line(std::string& line) override {
        if (answers.empty()) return console::LineStatus::end_of_input;
        line = answers.front();
        answers.pop_front();
        return console::LineStatus::ok;
    }
};

/// What is at the end of a device path (`babble`: a byte for each frame, ending none).
enum class At { nothing, held, refusing_driver, silent_line, babble, id91, id92 };

/// Devices by path; the one opened last is a scripted line that answers as
/// what is at its end.
class FakeDevices final : public serial::Device {
  public:
    std::map<std::string, At> at;
    std::vector<std::string> opened;  ///< every path tried, in order
    int closes = 0;

    serial::OpenResult open(const std::string& path) override {
        opened.push_back(path);
        const auto it = at.find(path);
        if (it == at.end() || it->second == At::nothing) {
            return {serial::OpenFailure::missing, path, 2, "No such file or directory", {}};
        }
        if (it->second == At::held) return {serial::OpenFailure::busy, path, 16, "Busy", {}};
        current_ = it->second;
        line_ = serial::ScriptedLine{};
        if (current_ == At::id91 || current_ == At::id92) {
            const std::uint8_t second = current_ == At::id91 ? 0x88 : 0x66;
            const std::uint8_t first = current_ == At::id91 ? 0x28 : 0x30;
            line_.on_write = [first, second](serial::ScriptedLine& l, const serial::WrittenFrame&) {
                l.answer({0xFE, 0xFE, 0x80, 0x01, 0x19, first, second, 0xFD});
            };
        }
        if (current_ == At::babble) {
            line_.on_write = [](serial::ScriptedLine& l, const serial::WrittenFrame&) {
                l.answer({0x55});
            };
        }
        return {serial::OpenFailure::none, path, 0, {}, {}};
    }
    bool configure() override { return current_ != At::refusing_driver; }
    void close() override { ++closes; }
    bool set_speed(int rate) override { return line_.set_speed(rate); }
    void write_frame(std::span<const std::uint8_t> frame) override { line_.write_frame(frame); }
    std::optional<std::uint8_t> read_byte() override { return line_.read_byte(); }
    bool vanished() const override { return false; }
    serial::ReplyLatency reply_latency() const override { return {}; }

  private:
    At current_ = At::nothing;
    serial::ScriptedLine line_;
};

/// A device path in this platform's form.
std::string device(const std::string& name) {
    std::string path = serial::is_device_path("/dev/x") ? "/dev/" : R"(\\.\)";
    path.append(name);
    return path;
}

int occurrences(const std::string& in, std::string_view text) {
    int n = 0;
    for (std::size_t at = in.find(text); at != std::string::npos; at = in.find(text, at + 1)) ++n;
    return n;
}

/// The console's text without the turning glyph shown while a port is called.
std::string without_spinner(std::string out) {
    for (const std::string_view glyph : texts::kSpinner) {
        const std::string turn = std::string(glyph) + "\r";
        for (std::size_t at = out.find(turn); at != std::string::npos; at = out.find(turn, at)) {
            out.erase(at, turn.size());
        }
    }
    return out;
}

class Connect : public ::testing::Test {
  protected:
    TypedTerminal terminal;
    FakeDevices devices;
    PortChoice choice;
    protocol::ReplyBuffer reply;
    Radio radio;
    const std::string prompt = std::string(texts::kPortPromptHelp).append(texts::kPortPrompt);

    Connection connect(Asking asking) {
        return connect_radio(terminal, devices, choice, asking, reply, radio);
    }
    /// The line that follows the open error for `path`, named as `choice` names it.
    static std::string missing(const std::string& path, const PortChoice& named) {
        return open_failure_line({serial::OpenFailure::missing, path, 2, {}, {}}, named);
    }
};

TEST_F(Connect, EveryFailureTheUserCanMendLeadsBackToThePrompt) {
    devices.at = {{device("gone"), At::nothing},
                  {device("empty"), At::silent_line},
                  {device("radio"), At::id92}};
    take_answer(device("gone"), {}, choice);
    terminal.answers = {device("empty"), "  " + device("radio") + " "};

    const PortChoice gone = choice;
    EXPECT_EQ(connect(Asking::after_a_failure), Connection::connected);
    EXPECT_EQ(devices.opened,
              (std::vector<std::string>{device("gone"), device("empty"), device("radio")}));
    EXPECT_EQ(radio.model, protocol::Model::id92);
    // The port that did not open is not closed; the silent one is, before the prompt.
    EXPECT_EQ(devices.closes, 1);
    EXPECT_EQ(without_spinner(terminal.out),
              std::string(texts::kOpenError) + missing(device("gone"), gone) + prompt +
                  std::string(texts::kNoResponse) + "Nothing answered on " + device("empty") +
                  ": is the radio switched on, and the cable plugged in at both ends?\n" + prompt +
                  std::string(texts::kDetectId92));
}

TEST_F(Connect, AnEmptyAnswerIsPortOneAndTheEndOfInputEndsTheSearch) {
    terminal.answers = {""};
    EXPECT_EQ(connect(Asking::at_once), Connection::input_ended);
    EXPECT_EQ(devices.opened, (std::vector<std::string>{serial::port_path_for_number(1)}));
    EXPECT_EQ(terminal.out, prompt + std::string(texts::kOpenError) +
                                missing(serial::port_path_for_number(1), choice) + prompt +
                                std::string(texts::kInputEnded));
}

TEST_F(Connect, ADeviceNameWithoutItsFolderIsHinted) {
    terminal.answers = {" ttyUSB0 "};
    connect(Asking::at_once);
    EXPECT_EQ(occurrences(terminal.out,
                          "ttyUSB0 is neither a port number nor a device path: type "
                          "/dev/ttyUSB0 instead.\n"),
              serial::is_device_path("/dev/x") ? 1 : 0);
}

TEST_F(Connect, ARefusedLineSettingEndsAtOnce) {
    devices.at = {{device("odd"), At::refusing_driver}, {device("radio"), At::id91}};
    terminal.answers = {device("odd"), device("radio")};
    EXPECT_EQ(connect(Asking::at_once), Connection::settings_refused);
    EXPECT_EQ(devices.opened, (std::vector<std::string>{device("odd")}));
    EXPECT_EQ(terminal.out, prompt + std::string(texts::kDcbError) + device("odd") +
                                " is not a serial port, or its driver refused 38400 bit/s with 8 "
                                "data bits and no parity.\n");
}

TEST_F(Connect, ThePortFromTheCommandLineIsTheOnlyOneTried) {
    struct Case {
        At at;
        Connection connection;
        std::string ending;  // the console's last words
    };
    const Case cases[] = {
        {At::id92, Connection::connected, std::string(texts::kDetectId92)},
        {At::nothing, Connection::port_failed,
         std::string(texts::kOpenError) +
             missing(device("port"), {0, device("port"), device("port")})},
        {At::held, Connection::port_failed,
         std::string(texts::kOpenError) + device("port") +
             " is in use by another program: close that program and try again.\n"},
        {At::silent_line, Connection::port_failed,
         std::string(texts::kNoResponse) + "Nothing answered on " + device("port") +
             ": is the radio switched on, and the cable plugged in at both ends?\n"},
        // A byte for each call: 9 long ones, a speed notice and a short one twice.
        {At::babble, Connection::port_failed,
         std::string(texts::kNoResponse) + "13 bytes came back on " + device("port") +
             " at 38400, 4800 and 9600 bit/s, but never a radio's identify reply: is this the "
             "radio's port, and the radio an ID-91 or ID-92?\n"},
    };
    for (const Case& c : cases) {
        terminal = TypedTerminal{};
        terminal.answers = {device("radio")};  // never asked for
        devices.at = {{device("port"), c.at}, {device("radio"), At::id91}};
        devices.opened.clear();
        port_from_option(terminal, device("port"), choice);
        EXPECT_EQ(connect(Asking::never), c.connection);
        EXPECT_EQ(devices.opened, std::vector<std::string>{device("port")});
        const std::string out = without_spinner(terminal.out);
        EXPECT_TRUE(out.starts_with("Port from --port:\nCom:" + device("port") + "\n")) << out;
        EXPECT_TRUE(out.ends_with(c.ending)) << out;
        EXPECT_EQ(occurrences(out, texts::kPortPrompt), 0) << out;
    }
}

TEST(OpenFailureLine, NamesThePortTheReasonAndWhatToDo) {
    using serial::OpenFailure;
    const std::string list = " quillmer --ports lists the serial ports this machine has.\n";
    const PortChoice by_path{0, "/dev/ttyUSB0", "/dev/ttyUSB0"};
    const PortChoice by_number{4000, "/dev/ttyS3999", "4000"};
    struct Case {
        serial::OpenResult result;
        PortChoice choice;
        std::string line;
    };
    const Case cases[] = {
        {{OpenFailure::missing, "/dev/ttyUSB0", 2, {}, {}},
         by_path,
         "/dev/ttyUSB0 does not exist: is the cable plugged in?" + list},
        {{OpenFailure::missing, "/dev/ttyS3999", 2, {}, {}},
         by_number,
         "port 4000 (/dev/ttyS3999) does not exist: is the cable plugged in?" + list},
        {{OpenFailure::no_device, "/dev/ttyS3", 5, {}, {}},
         {4, "/dev/ttyS3", "4"},
         "port 4 (/dev/ttyS3) has no device behind it: is the cable plugged in?" + list},
        {{OpenFailure::no_path, "", 0, {}, {}},
         {0, "", "0"},
         "Port 0 names no device: give a port number from 1 up, or a device path." + list},
        {{OpenFailure::no_path, "", 0, {}, {}},
         {0, "", "/dev/ttyUSB0", true},
         "A port name longer than 255 characters names no port.\n"},
        {{OpenFailure::permission, "/dev/ttyUSB0", 13, {}, "dialout", true},
         by_path,
         "Permission denied on /dev/ttyUSB0: this user must be in the group dialout, which owns "
         "it: sudo usermod -aG dialout \"$USER\", then log out and in again.\n"},
        {{OpenFailure::permission, "/dev/cu.x", 13, {}, {}},
         {0, "/dev/cu.x", "/dev/cu.x"},
         "Permission denied on /dev/cu.x: this user may not open it.\n"},
        {{OpenFailure::busy, R"(\\.\COM7)", 5, {}, {}},
         {7, R"(\\.\COM7)", "7"},
         R"(port 7 (\\.\COM7) is in use by another program: close that program and try again.)"
         "\n"},
        {{OpenFailure::other, "/dev/ttyUSB0", 71, "Protocol error", {}},
         by_path,
         "/dev/ttyUSB0 did not open (Protocol error, error 71).\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(open_failure_line(c.result, c.choice), c.line);
    }
}

TEST(PortFromSettings, ShowsWhatItWillOpen) {
    struct Case {
        std::string line;
        std::string shown;  // after "Com:"
        std::string path;
        std::string read;  // the line after it, from "The first line of FILE"
    };
    const bool posix = serial::is_device_path("/dev/x");
    const std::string example = posix ? "/dev/ttyUSB0" : R"(\\.\COM12)";
    const Case cases[] = {
        {"3", "3", serial::port_path_for_number(3), ""},
        {"", "0", serial::port_path_for_number(0),
         " is empty: write the port on it, a number such as 3 or a device path such as " + example +
             ".\n"},
        // Every blank the answer's reading skips is skipped by what is shown.
        {std::string("\v").append(device("ttyUSB0")).append(" \t"), device("ttyUSB0"),
         device("ttyUSB0"), ""},
        {"\t 12", "12", serial::port_path_for_number(12), ""},
        {"\xEF\xBB\xBF"
         "7",
         "7", serial::port_path_for_number(7), ""},
        // The Windows name of a port means its number everywhere.
        {"COM7", "7", serial::port_path_for_number(7), ""},
        {" com7 ", "7", serial::port_path_for_number(7), ""},
        {"COM7:", "7", serial::port_path_for_number(7), ""},
        {"ttyUSB0", "0", serial::port_path_for_number(0),
         ", \"ttyUSB0\", is neither a port number nor a device path: write " +
             (posix ? "/dev/ttyUSB0"
                    : "a port number such as 3, or a device path such as " + example) +
             " instead.\n"},
        {"port\x01", "0", serial::port_path_for_number(0),
         ", \"port\\x01\", is neither a port number nor a device path: write a port number "
         "such as 3, or a device path such as " +
             example + " instead.\n"},
    };
    const auto settings =
        std::filesystem::temp_directory_path() / "quillmer-connect-settings-test.ini";
    for (const Case& c : cases) {
        std::ofstream(settings, std::ios::binary) << c.line << "\n";
        TypedTerminal terminal;
        PortChoice choice;
        EXPECT_TRUE(port_from_settings(terminal, settings.string(), "", choice));
        const std::string read =
            c.read.empty() ? "" : "The first line of " + settings.string() + c.read;
        EXPECT_EQ(terminal.out, "Port from the settings file " + settings.string() +
                                    ":\nCom:" + c.shown + "\n" + read)
            << c.line;
        EXPECT_EQ(choice.path, c.path) << c.line;
    }
    std::filesystem::remove(settings);
}

TEST(PortFromSettings, TheFileBesideTheProgramWinsOverTheUsersOwn) {
    const auto dir = std::filesystem::temp_directory_path();
    const std::string beside = (dir / "quillmer-connect-beside-test.ini").string();
    const std::string user = (dir / "quillmer-connect-user-test.ini").string();
    const auto settings_of = [&](std::string_view user_file) {
        TypedTerminal terminal;
        PortChoice choice;
        const bool found = port_from_settings(terminal, beside, std::string(user_file), choice);
        return found ? terminal.out : "none";
    };
    std::ofstream(user) << "4\n";
    EXPECT_EQ(settings_of(user), "Port from the settings file " + user + ":\nCom:4\n");
    std::ofstream(beside) << "3\n";
    EXPECT_EQ(settings_of(user), "Port from the settings file " + beside + ":\nCom:3\n");
    std::filesystem::remove(beside);
    std::filesystem::remove(user);

    TypedTerminal terminal;
    PortChoice choice;
    EXPECT_FALSE(port_from_settings(terminal, beside, user, choice));
    const std::string help = std::string(texts::kSettingsHelp1) + beside +
                             std::string(texts::kSettingsHelp2) +
                             std::string(texts::kSettingsHelp3);
    EXPECT_EQ(terminal.out, help +
                                "Not to be asked for the port each time, write it alone on the "
                                "first line of " +
                                beside + " or " + user + ".\n\n");
    // Without a configuration folder only the file beside the program is named.
    terminal.out.clear();
    EXPECT_FALSE(port_from_settings(terminal, beside, "", choice));
    EXPECT_TRUE(terminal.out.ends_with("first line of " + beside + ".\n\n")) << terminal.out;
}

}  // namespace
}  // namespace quillmer::app
