#include "sim/cli.h"

#include <gtest/gtest.h>

namespace quillmer::sim {
namespace {

ParsedOptions parse(std::vector<std::string_view> args) {
    return parse_options(args);
}

TEST(Options, ModelSetsTheIdBytesUnlessIdIsGivenInAnyOrder) {
    auto p = parse({"--model", "ID-92", "--link", "/tmp/r"});
    ASSERT_TRUE(p.options) << p.error;
    EXPECT_EQ(p.options->radio.model, Model::id92);
    EXPECT_EQ(p.options->radio.id, (std::array<std::uint8_t, 2>{0x30, 0x66}));
    EXPECT_EQ(p.options->link, "/tmp/r");

    p = parse({"--id=ab:01", "--model=ID-92", "--link=/tmp/r"});
    ASSERT_TRUE(p.options) << p.error;
    EXPECT_EQ(p.options->radio.id, (std::array<std::uint8_t, 2>{0xAB, 0x01}));
    EXPECT_EQ(p.options->radio.model, Model::id92);
}

TEST(Options, EveryFaultAndSettingReachesTheRadio) {
    const auto p = parse({"--link",
                          "x",
                          "--speed",
                          "4800",
                          "--silent",
                          "--probe-answer",
                          "never",
                          "--ng",
                          "17",
                          "--ng",
                          "399",
                          "--ack-delay",
                          "40",
                          "--reply-delay",
                          "250",
                          "--filler",
                          "7",
                          "--latency",
                          "16",
                          "--echo",
                          "--drop-byte",
                          "20",
                          "--noise",
                          "FE fe FD",
                          "--overlong",
                          "--lone-fd",
                          "--fault-on",
                          "identify,ack",
                          "--fault-times",
                          "2",
                          "--vanish-after",
                          "12",
                          "--pace",
                          "--once",
                          "--quiet"});
    ASSERT_TRUE(p.options) << p.error;
    const RadioConfig& r = p.options->radio;
    EXPECT_EQ(r.model, Model::id91);
    EXPECT_EQ(r.id, (std::array<std::uint8_t, 2>{0x28, 0x88}));
    EXPECT_EQ(r.speed, 4800);
    EXPECT_TRUE(r.silent);
    EXPECT_EQ(r.probe_answer_from, kNever);
    EXPECT_EQ(r.ng_channels, (std::vector<int>{17, 399}));
    EXPECT_EQ(r.ack_delay.count(), 40);
    EXPECT_EQ(r.reply_delay.count(), 250);
    EXPECT_EQ(r.filler, filler_bytes(7));
    EXPECT_EQ(r.overlong, 300u);
    EXPECT_TRUE(r.lone_fd);
    EXPECT_EQ(r.fault_replies, reply_bit(ReplyKind::identify) | reply_bit(ReplyKind::ack));
    EXPECT_EQ(r.fault_limit, 2);
    EXPECT_EQ(r.vanish_after, 12);
    EXPECT_EQ(r.line.latency.count(), 16);
    EXPECT_TRUE(r.line.echo);
    EXPECT_EQ(r.line.drop_byte, 20u);
    EXPECT_EQ(r.line.noise, (Bytes{0xFE, 0xFE, 0xFD}));
    EXPECT_TRUE(r.pace);
    EXPECT_TRUE(p.options->once);
    EXPECT_TRUE(p.options->quiet);
}

TEST(Options, RejectsWhatTheRadioCannotBe) {
    const std::vector<std::vector<std::string_view>> bad = {
        {},          // no --link
        {"--link"},  // no value
        {"--link", "x", "--model", "ID-93"},
        {"--link", "x", "--id", "2888"},
        {"--link", "x", "--id", "28:8G"},
        {"--link", "x", "--speed", "19200"},
        {"--link", "x", "--ng", "400"},
        {"--link", "x", "--ng", "-1"},
        {"--link", "x", "--probe-answer", "0"},
        {"--link", "x", "--ack-delay", "5ms"},
        {"--link", "x", "--vanish-after", "0"},
        {"--link", "x", "--fault-on", "ack,nak"},
        {"--link", "x", "--silent=yes"},
        {"--link", "x", "--echo=yes"},
        {"--link", "x", "--drop-byte", "0"},
        {"--link", "x", "--noise", "FEF"},
        {"--link", "x", "--noise", "F E"},
        {"--link", "x", "--noise", " "},
        {"--link", "x", "--latency=16", "--replay", "t.txt"},
        {"--link", "x", "--loud"},
        {"--link", "x", "--replay"},
        {"--link", "x", "--replay="},
        // The trace is the radio: no setting of the built-in one goes with it.
        {"--link", "x", "--replay", "t.txt", "--model", "ID-92"},
        {"--link", "x", "--ng=17", "--replay", "t.txt"},
    };
    for (const auto& args : bad) {
        const auto p = parse(args);
        EXPECT_FALSE(p.options) << (args.empty() ? "" : args.back());
        EXPECT_FALSE(p.error.empty());
    }
    const auto replay = parse({"--replay", "t.txt", "--link=x", "--pace", "--quiet"});
    ASSERT_TRUE(replay.options) << replay.error;
    EXPECT_EQ(replay.options->replay, "t.txt");
    EXPECT_TRUE(replay.options->radio.pace);

    // --help and --version need no port.
    const auto help = parse({"--help"});
    ASSERT_TRUE(help.options);
    EXPECT_TRUE(help.options->help);
    const auto version = parse({"--version"});
    ASSERT_TRUE(version.options);
    EXPECT_TRUE(version.options->version);
}

}  // namespace
}  // namespace quillmer::sim
