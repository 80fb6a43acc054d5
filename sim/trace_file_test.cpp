#include "sim/trace_file.h"

#include <gtest/gtest.h>

#include "sim/test_frames.h"

namespace quillmer::sim {
namespace {

using Kind = TraceEvent::Kind;

TEST(TraceFile, ReadsEveryKindOfLine) {
    const std::string text =
        "# quillmer 0.2.0 trace; linux; memory file \"m.csv\", 12 bytes\r\n"
        "0.512 port /dev/ttyUSB0: FTDI FT232R USB UART 0403:6001\r\n"
        "\n"
        "4.100 > 38400 FE FE 01 80 18 01 FD  LINK_OPEN\n"
        "4.2 < 9600 fe fe 80 01 fb fd  OK\n"
        "5.000 < 38400 01 02\n"
        "9.000 key Esc\n"
        "9.010 gone\n"
        "9.100 end stopped, exit status 7";
    std::string error;
    const auto trace = parse_trace(text, error);
    ASSERT_TRUE(trace) << error;
    ASSERT_EQ(trace->header.size(), 1u);
    EXPECT_EQ(trace->header[0], " quillmer 0.2.0 trace; linux; memory file \"m.csv\", 12 bytes");
    ASSERT_EQ(trace->events.size(), 7u);
    const auto& e = trace->events;

    EXPECT_EQ(e[0].kind, Kind::other);
    EXPECT_EQ(e[0].text, "port /dev/ttyUSB0: FTDI FT232R USB UART 0403:6001");
    EXPECT_EQ(e[0].line, 2);

    EXPECT_EQ(e[1].kind, Kind::sent);
    EXPECT_EQ(e[1].ms, 4.1);  // the nearest double, as std::from_chars gives
    EXPECT_EQ(e[1].speed, 38400);
    EXPECT_EQ(e[1].bytes, test_frames::kOpen);
    EXPECT_EQ(e[1].text, "LINK_OPEN");
    EXPECT_EQ(e[1].line, 4);

    EXPECT_EQ(e[2].kind, Kind::received);
    EXPECT_EQ(e[2].speed, 9600);
    EXPECT_EQ(e[2].bytes, test_frames::kOk);

    EXPECT_EQ(e[3].bytes, (Bytes{0x01, 0x02}));
    EXPECT_EQ(e[3].text, "");

    EXPECT_EQ(e[4].kind, Kind::key);
    EXPECT_EQ(e[4].text, "Esc");
    EXPECT_EQ(e[5].kind, Kind::gone);
    EXPECT_EQ(e[6].kind, Kind::other);
    EXPECT_EQ(e[6].text, "end stopped, exit status 7");
}

TEST(TraceFile, NamesTheLineThatIsNoTraceLine) {
    const std::pair<const char*, const char*> kBad[] = {
        {"> 38400 FE FD  X", "milliseconds"},
        {"1.0a key Esc", "milliseconds"},
        {"1.2.3 key Esc", "milliseconds"},
        {". key Esc", "milliseconds"},
        {"1234567890.123456 key Esc", "milliseconds"},
        {"1.000 > FE FD  X", "speed"},
        {"1.000 < 0 FE FD", "speed"},
        {"1.000 > 38400 FE F", "two hex digits"},
        {"1.000 > 38400 FEFD", "two hex digits"},
        {"1.000 > 38400 FG FD  X", "two hex digits"},
        {"1.000 > 38400", "no bytes"},
    };
    for (const auto& [line, why] : kBad) {
        std::string error;
        EXPECT_FALSE(parse_trace(std::string("# header\n0.1 speed 38400\n") + line + "\n", error))
            << line;
        EXPECT_NE(error.find("line 3: "), std::string::npos) << line << ": " << error;
        EXPECT_NE(error.find(why), std::string::npos) << line << ": " << error;
    }
}

}  // namespace
}  // namespace quillmer::sim
