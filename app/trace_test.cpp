#include "app/trace.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "protocol/frames.h"
#include "serial/scripted_line.h"

namespace quillmer::app {
namespace {

namespace fs = std::filesystem;

/// A device whose line is scripted.
class ScriptedDevice final : public serial::Device {
  public:
    serial::ScriptedLine line;
    bool refuse_open = false;

    serial::OpenResult open(const std::string& path) override {
        serial::OpenResult result;
        result.path = path;
        if (refuse_open) {
            result.failure = serial::OpenFailure::busy;
            result.system_text = "Device or resource busy";
        }
        return result;
    }
    bool configure() override { return true; }
    void close() override {}
    bool set_speed(int rate) override { return line.set_speed(rate); }
    void write_frame(std::span<const std::uint8_t> frame) override { line.write_frame(frame); }
    std::optional<std::uint8_t> read_byte() override { return line.read_byte(); }
    bool vanished() const override { return line.vanished(); }
    serial::ReplyLatency reply_latency() const override { return line.reply_latency(); }
};

/// Keys typed in advance.
class KeyTerminal final : public console::Terminal {
  public:
    std::deque<int> keys;
    void print(std::string_view /*text*/) override {}
    void print_raw(std::string_view /*bytes*/) override {}
    bool key_waiting() override { return !keys.empty(); }
    int read_key() override {
        const int key = keys.front();
        keys.pop_front();
        return key;
    }
    bool input_ended() override { return false; }
    console::LineStatus read_line(std::string& /*line*/) override {
        return console::LineStatus::end_of_input;
    }
};

class Tracing : public testing::Test {
  protected:
    Tracing()
        : path_(fs::temp_directory_path() /
                (std::string("quillmer-trace-test-") +
                 testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
                 std::to_string(Trace::Clock::now().time_since_epoch().count()))) {}
    ~Tracing() override { fs::remove(path_); }

    std::unique_ptr<Trace> create() {
        std::string error;
        auto trace = Trace::create(path_.string(), "quillmer header", Trace::Clock::now(), error);
        EXPECT_TRUE(trace) << error;
        return trace;
    }
    /// The lines written so far, each without its time; the times must rise.
    std::vector<std::string> events() const {
        std::ifstream in(path_, std::ios::binary);
        std::vector<std::string> lines;
        std::string line;
        double last = 0;
        while (std::getline(in, line)) {
            if (line.starts_with("#")) {
                lines.push_back(line);
                continue;
            }
            const std::size_t space = line.find(' ');
            const std::string stamp = line.substr(0, space);
            EXPECT_EQ(stamp.size() - stamp.find('.'), 4u) << "three decimals: " << line;
            const double ms = std::stod(stamp);
            EXPECT_GE(ms, last) << line;
            last = ms;
            lines.push_back(line.substr(space + 1));
        }
        return lines;
    }

    fs::path path_;
};

TEST_F(Tracing, WritesEveryEventAsItHappensWithRepliesWhole) {
    auto trace = create();
    ASSERT_TRUE(trace);
    ScriptedDevice device;
    TracedDevice traced(device, *trace,
                        [](const std::string& path) { return path == "/dev/x" ? "FTDI" : ""; });
    KeyTerminal keys;
    keys.keys = {console::kKeyEsc, 'a', console::kKeyCtrlC};
    TracedTerminal terminal(keys, *trace);

    EXPECT_TRUE(traced.open("/dev/x").opened());
    EXPECT_TRUE(traced.configure());
    traced.write_frame(protocol::LINK_OPEN);
    device.line.answer({0xFE, 0xFE, 0x80, 0x01, 0xFB, 0xFD, 0x21, 0x22});
    for (int i = 0; i < 3; ++i) traced.read_byte();
    // Written while the reply comes in: its line follows the reply's.
    traced.write_frame(protocol::KEEPALIVE);
    EXPECT_EQ(events().size(), 4u) << "held until the reply has come in";
    for (int i = 0; i < 3; ++i) traced.read_byte();
    EXPECT_EQ(events().size(), 6u) << "the reply, then the frame";
    for (int i = 0; i < 2; ++i) traced.read_byte();
    traced.read_byte();  // nothing: the run of noise ends

    EXPECT_TRUE(traced.set_speed(9600));
    device.line.incoming.assign(300, 0x11);
    while (traced.read_byte()) {
    }
    device.line.refuse_speed = true;
    EXPECT_FALSE(traced.set_speed(4800));
    traced.write_frame(protocol::LINK_CLOSE);

    while (keys.key_waiting()) terminal.read_key();
    terminal.notice("The radio has not answered.\n");
    device.line.gone = true;
    traced.read_byte();
    traced.read_byte();
    traced.close();
    device.refuse_open = true;
    EXPECT_FALSE(traced.open("/dev/y").opened());

    std::vector<std::string> lines = events();
    ASSERT_EQ(lines.size(), 18u);
    // 300 bytes without FD: cut at 256.
    const auto run_of_11 = [](std::size_t count) {
        std::string hex = "11";
        for (std::size_t i = 1; i < count; ++i) hex += " 11";
        return "< 9600 " + hex + "  ?";
    };
    EXPECT_EQ(lines[8], run_of_11(256));
    EXPECT_EQ(lines[9], run_of_11(44));
    lines[8] = lines[9] = "(run of 11)";
    const std::vector<std::string> expected{
        "# quillmer header",
        "port /dev/x: FTDI",
        "speed 38400",
        "> 38400 FE FE 01 80 18 01 FD  LINK_OPEN",
        "< 38400 FE FE 80 01 FB FD  OK",
        "> 38400 FE FE 01 80 15 02 FD  KEEPALIVE",
        "< 38400 21 22  ?",
        "speed 9600",
        "(run of 11)",
        "(run of 11)",
        "speed 4800 refused by the driver",
        "> 9600 FE FE 01 80 18 00 FD  LINK_CLOSE",
        "key Esc",
        "key Ctrl-C",
        "note The radio has not answered.",
        "gone",
        "port closed",
        "port /dev/y not opened: Device or resource busy",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(Tracing, ReplacesOnlyAnEarlierTraceAndSaysWhyItCannotBeWritten) {
    std::string error;
    const std::string path = (path_ / "no" / "such.txt").string();
    EXPECT_FALSE(Trace::create(path, "quillmer", Trace::Clock::now(), error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_TRUE(error.starts_with("The trace file ")) << error;

    // A memory file named by mistake where the trace should go stays as it is.
    std::ofstream(path_, std::ios::binary) << "0,145.500000,,,,FM,CALL\n";
    EXPECT_FALSE(Trace::create(path_.string(), "quillmer", Trace::Clock::now(), error));
    EXPECT_NE(error.find("holds no trace"), std::string::npos) << error;
    std::ifstream memory_file(path_, std::ios::binary);
    std::string kept;
    std::getline(memory_file, kept);
    EXPECT_EQ(kept, "0,145.500000,,,,FM,CALL");

    for (const char* earlier :
         {"", "# quillmer 0.1.0 trace; linux; no memory file\n1.000 gone\n"}) {
        std::ofstream(path_, std::ios::binary) << earlier;
        EXPECT_TRUE(Trace::create(path_.string(), "quillmer 9", Trace::Clock::now(), error))
            << error;
        EXPECT_EQ(events(), std::vector<std::string>{"# quillmer 9"});
    }
}

TEST_F(Tracing, HeaderNamesTheVersionPlatformAndMemoryFile) {
    std::ofstream(path_, std::ios::binary) << "12345";
    std::string version = version_line();
    version.pop_back();
    EXPECT_EQ(trace_header(path_.string()), version + " trace; " + QUILLMER_PLATFORM +
                                                "; memory file \"" + path_.string() +
                                                "\", 5 bytes");
    EXPECT_TRUE(trace_header(path_.string() + ".missing").ends_with("\", size unknown"));
    EXPECT_TRUE(trace_header(std::nullopt).ends_with("; no memory file"));
}

}  // namespace
}  // namespace quillmer::app
