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
class TypedTerminal final : public Terminal {
  public:
    std::string out;
    std::deque<std::string> answers;

    void print(std::string_view text) override { out += text; }
    void print_raw(std::string_view bytes) override { out += bytes; }
    bool key_waiting() override { return false; }
    int read_key() override { return kEndOfInput; }
    console::LineStatus read_line(std::string& line) override {
        if (answers.empty()) return console::LineStatus::end_of_input;
        line = answers.front();
        answers.pop_front();
        return console::LineStatus::ok;
    }
};

/// What is at the end of a device path.
enum class At { nothing, refusing_driver, silent_line, id91, id92 };

/// Devices by path; the one opened last is a scripted line that answers as
/// what is at its end.
class FakeDevices final : public serial::Device {
  public:
    std::map<std::string, At> at;
    std::vector<std::string> opened;  ///< every path tried, in order
    int closes = 0;

    bool open(const std::string& path) override {
        opened.push_back(path);
        const auto it = at.find(path);
        if (it == at.end() || it->second == At::nothing) return false;
        current_ = it->second;
        line_ = serial::ScriptedLine{};
        if (current_ == At::id91 || current_ == At::id92) {
            const std::uint8_t second = current_ == At::id91 ? 0x88 : 0x66;
            const std::uint8_t first = current_ == At::id91 ? 0x28 : 0x30;
            line_.on_write = [first, second](serial::ScriptedLine& l, const serial::WrittenFrame&) {
                l.answer({0xFE, 0xFE, 0x80, 0x01, 0x19, first, second, 0xFD});
            };
        }
        return true;
    }
    bool configure() override { return current_ != At::refusing_driver; }
    void close() override { ++closes; }
    bool set_speed(int rate) override { return line_.set_speed(rate); }
    void write_frame(std::span<const std::uint8_t> frame) override { line_.write_frame(frame); }
    std::optional<std::uint8_t> read_byte() override { return line_.read_byte(); }
    bool vanished() const override { return false; }

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

    Connection connect(bool ask_first) {
        return connect_radio(terminal, devices, choice, ask_first, reply, radio);
    }
};

TEST_F(Connect, EveryFailureTheUserCanMendLeadsBackToThePrompt) {
    devices.at = {{device("gone"), At::nothing},
                  {device("empty"), At::silent_line},
                  {device("radio"), At::id92}};
    take_answer(device("gone"), false, false, choice);
    terminal.answers = {device("empty"), "  " + device("radio") + " "};

    EXPECT_EQ(connect(false), Connection::connected);
    EXPECT_EQ(devices.opened,
              (std::vector<std::string>{device("gone"), device("empty"), device("radio")}));
    EXPECT_EQ(radio.model, protocol::Model::id92);
    // The port that did not open is not closed; the silent one is, before the prompt.
    EXPECT_EQ(devices.closes, 1);
    EXPECT_EQ(without_spinner(terminal.out),
              std::string(texts::kOpenError) + std::string(texts::kPortPrompt) +
                  std::string(texts::kNoResponse) + std::string(texts::kPortPrompt) +
                  std::string(texts::kDetectId92));
}

TEST_F(Connect, AnEmptyAnswerIsPortOneAndTheEndOfInputEndsTheSearch) {
    terminal.answers = {""};
    EXPECT_EQ(connect(true), Connection::input_ended);
    EXPECT_EQ(devices.opened, (std::vector<std::string>{serial::port_path_for_number(1)}));
    EXPECT_EQ(terminal.out, std::string(texts::kPortPrompt) + std::string(texts::kOpenError) +
                                std::string(texts::kPortPrompt) + std::string(texts::kInputEnded));
}

TEST_F(Connect, ARefusedLineSettingEndsAtOnce) {
    devices.at = {{device("odd"), At::refusing_driver}, {device("radio"), At::id91}};
    terminal.answers = {device("odd"), device("radio")};
    EXPECT_EQ(connect(true), Connection::settings_refused);
    EXPECT_EQ(devices.opened, (std::vector<std::string>{device("odd")}));
    EXPECT_EQ(terminal.out, std::string(texts::kPortPrompt) + std::string(texts::kDcbError));
}

TEST(PortFromSettings, ShowsWhatItWillOpen) {
    struct Case {
        std::string line;
        std::string shown;  // after "Com:"
        std::string path;
    };
    const Case cases[] = {
        {"3", "3", serial::port_path_for_number(3)},
        {"", "0", serial::port_path_for_number(0)},
        // Every blank the answer's reading skips is skipped by what is shown.
        {std::string("\v").append(device("ttyUSB0")).append(" \t"), device("ttyUSB0"),
         device("ttyUSB0")},
        {"\t 12", "12", serial::port_path_for_number(12)},
    };
    const auto settings =
        std::filesystem::temp_directory_path() / "quillmer-connect-settings-test.ini";
    for (const Case& c : cases) {
        std::ofstream(settings, std::ios::binary) << c.line << "\n";
        TypedTerminal terminal;
        PortChoice choice;
        EXPECT_TRUE(port_from_settings(terminal, settings.string(), choice));
        EXPECT_EQ(terminal.out, std::string("Com:").append(c.shown).append("\n")) << c.line;
        EXPECT_EQ(choice.path, c.path) << c.line;
    }
    std::filesystem::remove(settings);

    TypedTerminal terminal;
    PortChoice choice;
    EXPECT_FALSE(port_from_settings(terminal, settings.string(), choice));
    EXPECT_EQ(terminal.out, std::string(texts::kSettingsHelp1) + settings.string() +
                                std::string(texts::kSettingsHelp2) +
                                std::string(texts::kSettingsHelp3));
}

}  // namespace
}  // namespace quillmer::app
