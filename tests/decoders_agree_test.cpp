// The program's decoding of its own channel frames, which the --check table is
// made of, against the simulated radio's decoding of the same bytes, which
// shares no code with it. Over the real files, the example and the odd rows that
// the memory file check takes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "channels/check.h"
#include "channels/reader.h"
#include "channels/row_fields.h"
#include "channels/test_files.h"
#include "protocol/channel_stream.h"
#include "protocol/frame_decode.h"
#include "sim/frames.h"
#include "sim/memory_image.h"

namespace quillmer {
namespace {

using channels::test_files::TempMemoryFile;

/// The frames a run sends for the file, channel 0 to 399.
std::vector<std::vector<std::uint8_t>> frames_of(const channels::MemoryFile& file) {
    EXPECT_EQ(channels::check_memory_file(file), std::nullopt) << "the check refuses the file";
    std::vector<std::vector<std::uint8_t>> sent;
    channels::Reader reader(file);
    protocol::ChannelFrames frames;
    for (protocol::ChannelStream stream(reader, frames); !stream.all_given();) {
        const auto frame = stream.next();
        sent.emplace_back(frame.begin(), frame.end());
    }
    return sent;
}

/// Success when both decoders read the frame alike.
testing::AssertionResult decoded_alike(const std::vector<std::uint8_t>& frame) {
    const auto ours = protocol::decode_channel_frame(frame);
    if (!ours) return testing::AssertionFailure() << "the program cannot read its own frame";
    if (!sim::is_exact(frame)) return testing::AssertionFailure() << "not as the radio expects";
    if (ours->erase) {
        if (sim::classify(frame) != sim::FrameKind::erase) {
            return testing::AssertionFailure() << "an erase frame to the program only";
        }
        const int theirs = sim::channel_number(frame[7], frame[8]);
        if (ours->channel != theirs) {
            return testing::AssertionFailure()
                   << "erase channel " << ours->channel << " against " << theirs;
        }
        return testing::AssertionSuccess();
    }
    const auto normal = sim::normalised_write_frame(frame);
    if (!normal) return testing::AssertionFailure() << "a write frame to the program only";
    const sim::ChannelFields f = sim::decode_write_frame(*normal);
    const std::string duplex(sim::duplex_name(f.duplex));
    const std::vector<std::string> theirs{std::to_string(f.channel),
                                          sim::format_mhz(f.frequency_hz),
                                          sim::format_mhz(f.offset_hz),
                                          std::string(sim::mode_name(f.mode)),
                                          duplex.empty() ? "OFF" : duplex,
                                          f.label,
                                          f.call1,
                                          f.call2,
                                          f.call3,
                                          f.packed_ok ? "decimal" : "not decimal"};
    const std::vector<std::string> mine{std::to_string(ours->channel),
                                        ours->frequency,
                                        ours->offset,
                                        protocol::mode_text(*ours),
                                        protocol::duplex_text(*ours),
                                        ours->label,
                                        ours->call1,
                                        ours->call2,
                                        ours->call3,
                                        ours->decimal ? "decimal" : "not decimal"};
    if (mine == theirs) return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << testing::PrintToString(mine) << " against " << testing::PrintToString(theirs);
}

void expect_decoded_alike(const channels::MemoryFile& file, const std::string& name) {
    const auto frames = frames_of(file);
    ASSERT_EQ(frames.size(), static_cast<std::size_t>(channels::kMemoryChannels));
    int written = 0;
    for (std::size_t ch = 0; ch < frames.size(); ++ch) {
        EXPECT_TRUE(decoded_alike(frames[ch])) << name << ", channel " << ch;
        if (frames[ch].size() == protocol::kWriteFrameSize) ++written;
    }
    EXPECT_GT(written, 0) << name;
}

TEST(DecodersAgree, OnTheRealFilesAndTheExample) {
    for (const std::string& path : {std::string(QUILLMER_EXAMPLE_FILE),
                                    channels::test_files::data_file("marine-vhf-100.csv")}) {
        channels::MemoryFile file;
        ASSERT_TRUE(file.open(path.c_str())) << path;
        expect_decoded_alike(file, path);
    }
}

TEST(DecodersAgree, OnOddRowsTheCheckTakes) {
    TempMemoryFile f(
        "\xEF\xBB\xBF"
        "CH,Frequency,Dup,Offset,TS,Mode,Name\r\n"
        "0, 145.5  ,DUP-,  .6,,DVMODE,Sydney 001CL,,,,,,,,,,VK2RBV G,VK2RBV B,       I\r\n"
        "1,145,dup+,10.,,AMX,A\"B\r\n"
        "2,.5, off ,   ,,AUTOMATIC, Lead,,,,,,,,,,X,Y,Z\r\n"
        "3,1295.000000,OFF,99.99999,,fm,LONGER THAN EIGHT\r\n"
        "4,,DUP-,0.6,,DV,ERASED\r\n"
        "5,0145.5,,00.600000,,FM-N,~!@#$%^&\r\n"
        "6,145.12345678,,0.6000000,, FM ,N\r\n"
        "7,9999.99999,DUP+,5,,AM,END");
    expect_decoded_alike(f.file(), "odd rows");
}

}  // namespace
}  // namespace quillmer
