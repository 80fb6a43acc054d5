#include "channels/other_layouts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "channels/check.h"
#include "channels/reader.h"
#include "channels/test_files.h"
#include "protocol/encoder.h"

namespace quillmer::channels {
namespace {

using test_files::data_file;

/// The file with these bytes read by its header.
OtherLayoutFile read_text(std::string bytes, bool skip = false) {
    MemoryFile file;
    file.load(std::move(bytes));
    return read_other_layout(file.lines(), skip);
}

/// The file of tests/data of that name, whole.
std::string file_text(const char* name) {
    std::ifstream in(data_file(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(OtherLayouts, RecognisedByTheNamesInTheHeader) {
    const std::string maker =
        "CH No,Frequency,Dup,Offset,TS,Mode,Name,SKIP,TONE,Repeater Tone,TSQL Frequency,DTCS "
        "Code,DTCS Polarity,DV SQL,DV CSQL Code,Your Call Sign,RPT1 Call Sign,RPT2 Call Sign";
    std::string semicolons = maker;
    std::replace(semicolons.begin(), semicolons.end(), ',', ';');
    const struct {
        std::string header;
        OtherLayout layout;
        char separator;
        bool ours = false;  ///< the fields but call signs where our own layout has them
    } cases[] = {
        {maker, OtherLayout::maker_export, ',', true},
        {semicolons, OtherLayout::maker_export, ';'},
        {R"("ch no","FREQUENCY","dup","offset","ts","mode","name","dv sql code")",
         OtherLayout::maker_export, ',', true},
        {"Group No,Group Name,CH No,Name,Frequency,Dup,Offset,TS,Mode", OtherLayout::maker_export,
         ','},
        {"Ch,Frequency,Dup,Offset,TS,Mode,Name", OtherLayout::maker_export, ',', true},
        {"Group No,Group Name,Name,Sub Name,Repeater Call Sign,Gateway Call Sign,Frequency,Dup,"
         "Offset,Mode,TONE,Repeater Tone,RPT1USE,Position,Latitude,Longitude,UTC Offset",
         OtherLayout::repeater_list, ','},
        {"Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,"
         "RxDtcsCode,CrossMode,Mode,TStep,Skip,Power,Comment,URCALL,RPT1CALL,RPT2CALL,DVCODE",
         OtherLayout::programmer_csv, ','},
        {"Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,"
         "Mode,TStep,Skip,Bank,Bank Index,URCALL,RPT1CALL,RPT2CALL",
         OtherLayout::programmer_csv, ','},
        {R"("Location","Name","Frequency","Duplex","Offset","Mode")", OtherLayout::programmer_csv,
         ','},
        // Fields of a channel, but not all that one of these layouts names.
        {"No,Frequency,Duplex,Offset,Description,Mode,CTCSS", OtherLayout::none, ','},
        {"Location,Name,Frequency,Duplex,Offset,Tone", OtherLayout::none, ','},
        {"0,145.500000,DUP-,0.600000,,FM,Name", OtherLayout::none, ','},
    };
    for (const auto& c : cases) {
        const LayoutHeader seen = recognise_layout(c.header);
        EXPECT_EQ(seen.layout, c.layout) << c.header;
        EXPECT_EQ(seen.separator, c.separator) << c.header;
        EXPECT_EQ(read_text(c.header).fields_as_ours, c.ours) << c.header;
    }
}

TEST(OtherLayouts, OnlyAFileRefusedAsLaidOutOtherwiseIsReadByItsHeader) {
    const std::string maker =
        "CH No,Frequency,Dup,Offset,TS,Mode,Name,,,,,,,,,Your Call Sign,RPT1 Call Sign,RPT2 Call "
        "Sign\n";
    const struct {
        std::string file;
        bool by_header;
    } cases[] = {
        {"Location,Name,Frequency,Duplex,Offset,Mode\n0,A,145.5,,,FM\n", true},
        {maker + "0,145.5,DUP-,0.6,,DV,A,,,,,,,,,CQCQCQ,GB7NB  B,GB7NB  G\n", true},
        {"CH No;Frequency;Dup;Offset;TS;Mode;Name\n0;145,5;;;;FM;A\n", true},
        // Refused for what its rows hold, its fields where ours are: as today.
        {maker + "0,145.5x,,,,FM,A\n", false},
        {"CH No,Frequency,Dup,Offset,TS,Mode,Name\n0,145.5,,,,dv,A\n", false},
        // No text file.
        {std::string("Location,Name,Frequency,Duplex,Offset,Mode\n0,A,145.5,,,FM\n") + '\0', false},
    };
    for (const auto& c : cases) {
        MemoryFile file;
        file.load(c.file);
        const std::vector<CheckFailure> failures = file_failures(file);
        ASSERT_FALSE(failures.empty()) << c.file;
        EXPECT_EQ(read_refused_by_header(file, failures, false).has_value(), c.by_header) << c.file;
    }
}

// Short headers of each layout: only the names count.
constexpr const char* P =
    "Location,Name,Frequency,Duplex,Offset,Tone,Mode,URCALL,RPT1CALL,RPT2CALL";
constexpr const char* M =
    "CH No,Frequency,Dup,Offset,TS,Mode,Name,TONE,Your Call Sign,RPT1 Call Sign,RPT2 Call Sign";
constexpr const char* S = "CH No;Frequency;Dup;Offset;TS;Mode;Name";
constexpr const char* R =
    "Name,Repeater Call Sign,Gateway Call Sign,Frequency,Dup,Offset,Mode,TONE";

TEST(OtherLayouts, EachValueAsTheRadioGetsIt) {
    const struct {
        const char* header;
        std::string rows;
        std::string ours;  ///< the last row written, without trailing commas; empty: refused
        std::string says;  ///< in the refusal, or in a warning; empty: no warning
        bool skip = false;
    } cases[] = {
        // Channel numbers: Location, or the row's place.
        {P, "3,A,145.5,,,,FM", "3,145.500000,,0.000000,,FM,A", ""},
        {P, "400,A,145.5,,,,FM", "", "past channel 399"},
        {P, "x,A,145.5,,,,FM", "", "no channel number"},
        {P, "3,A,145.5,,,,FM\n3,B,145.6,,,,FM", "", "already on line 2"},
        {M, "7,145.5,,,,FM,A", "0,145.500000,,0.000000,,FM,A", ""},
        {M, "0,,OFF,0.6,,FM,A", "0", ""},
        {P, "3,A,145.5,,,,FM\n,,,,\n", "3,145.500000,,0.000000,,FM,A", ""},
        // Frequencies.
        {M, "0,145,,,,FM,A", "0,145.000000,,0.000000,,FM,A", ""},
        {M, "0,1295.0125,,,,FM,A", "0,1295.01250,,0.000000,,FM,A", ""},
        {M, "0,145.5000000,,,,FM,A", "0,145.500000,,0.000000,,FM,A", ""},
        {M, "0,145.5000001,,,,FM,A", "", "below 1 Hz"},
        {M, "0,1295.012345,,,,FM,A", "", "none a channel holds"},
        {M, "0,0.000,,,,FM,A", "", "none a channel holds"},
        {M, "0,145.5 MHz,,,,FM,A", "", "no number"},
        {S, "0;145,5;DUP+;0,6;;FM;A", "0,145.500000,DUP+,0.600000,,FM,A", ""},
        // Duplex and offset.
        {P, "0,A,145.5,+,0.6,,FM", "0,145.500000,DUP+,0.600000,,FM,A", ""},
        {P, "0,A,145.5,-,0.6,,FM", "0,145.500000,DUP-,0.600000,,FM,A", ""},
        {M, "0,145.5,dup-,0.6,,FM,A", "0,145.500000,DUP-,0.600000,,FM,A", ""},
        {P, "0,A,145.5,,0.6,,FM", "0,145.500000,,0.000000,,FM,A", ""},
        {M, "0,145.5,OFF,0.6,,FM,A", "0,145.500000,,0.000000,,FM,A", ""},
        {P, "0,A,145.5,off,0.6,,FM", "0,145.500000,,0.000000,,FM,A", "can transmit there"},
        {P, "0,A,145.5,split,145.0,,FM", "0,145.500000,DUP-,0.500000,,FM,A", ""},
        {P, "0,A,430,split,440,,FM", "0,430.000000,DUP+,10.00000,,FM,A", ""},
        {P, "0,A,145.5,split,435.5,,FM", "", "100 MHz or more"},
        {P, "0,A,145.5,minus,0.6,,FM", "", "none of +, -"},
        {P, "0,A,145.5,+,100,,FM", "", "under 100"},
        // Modes.
        {P, "0,A,145.5,,,,NFM", "0,145.500000,,0.000000,,FM-N,A", ""},
        {M, "0,145.5,,,,FM-N,A", "0,145.500000,,0.000000,,FM-N,A", ""},
        {P, "0,A,118.7,,,,AM", "0,118.700000,,0.000000,,AM,A", ""},
        {P, "0,A,118.7,,,,NAM", "0,118.700000,,0.000000,,AM,A", "narrow AM"},
        {M, "0,118.7,,,,AM-N,A", "0,118.700000,,0.000000,,AM,A", "narrow AM"},
        {P, "0,A,145.5,,,,DV", "0,145.500000,,0.000000,,DV,A", ""},
        {P, "0,A,145.5,,,,Auto", "0,145.500000,,0.000000,,AUTO,A", "mode Auto"},
        {P, "0,A,145.5,,,,WFM", "", "mode \"WFM\""},
        {P, "0,A,145.5,,,,", "", "mode \"\""},
        {P, "0,A,145.5,,,,WFM", "0", "Channel 0 (line 2) is erased", true},
        // Names: whole for the warnings on their first 8 characters.
        {P, "0,Long name here,145.5,,,,FM", "0,145.500000,,0.000000,,FM,Long name here", ""},
        {P, "0,\"Smith, J\",145.5,,,,FM", "0,145.500000,,0.000000,,FM,Smith  J", "comma"},
        {P, "0,Z\xC3\xBCrich,145.5,,,,FM", "", "not printable ASCII"},
        {R, "Z\xC3\xBCrich,HB9ZZ  B,HB9ZZ  G,439.5,DUP-,7.6,DV",
         "0,439.500000,DUP-,7.600000,,DV,HB9ZZ  B,,,,,,,,,,CQCQCQ,HB9ZZ  B,HB9ZZ  G", "stands in"},
        // Call signs in UR, RPT1, RPT2 order.
        {P, "0,A,145.5,,,,DV,cqcqcq,gb7nb  b,GB7NB  G",
         "0,145.500000,,0.000000,,DV,A,,,,,,,,,,CQCQCQ,GB7NB  B,GB7NB  G", ""},
        {M, "0,145.5,,,,DV,A,,       E,GB7NB  B,GB7NB  G",
         "0,145.500000,,0.000000,,DV,A,,,,,,,,,,       E,GB7NB  B,GB7NB  G", ""},
        {P, "0,A,145.5,,,,DV,GB7NB  BX", "", "longer than 8"},
        {P, "0,A,145.5,,,,DV,GB7-NB", "", "other than A-Z"},
        {R, "Simplex,,,145.375,OFF,0,DV", "0,145.375000,,0.000000,,DV,Simplex,,,,,,,,,,CQCQCQ", ""},
        {R, "Norwich,GB7NB  B,GB7NB  G,145.65,DUP-,0.6,FM",
         "0,145.650000,DUP-,0.600000,,FM,Norwich", ""},
        // Tones are counted, not written.
        {P, "0,A,145.5,,,Tone,FM", "0,145.500000,,0.000000,,FM,A",
         "1 channel sets a tone: channel 0."},
        {M, "0,145.5,,,,FM,A,OFF", "0,145.500000,,0.000000,,FM,A", ""},
        // Past the header's last column.
        {P, "0,A,145.5,,,,FM,,,,0", "0,145.500000,,0.000000,,FM,A", ""},
        {P, "0,A,145.5,,,,FM,,,,X", "", "past the header's last column 10"},
    };
    for (const auto& c : cases) {
        const OtherLayoutFile file =
            read_text(std::string(c.header) + "\n" + c.rows + "\n", c.skip);
        const std::string where = c.header[0] + (" | " + c.rows);
        const std::string& reason =
            file.unwritable.empty() ? file.column_fault.reason : file.unwritable.back().reason;
        if (c.ours.empty()) {
            EXPECT_NE(reason.find(c.says), std::string::npos) << where << ": " << reason;
            continue;
        }
        EXPECT_TRUE(c.skip || reason.empty()) << where << ": " << reason;
        std::string last = file.memory_file.substr(0, file.memory_file.size() - 1);
        last = last.substr(last.rfind('\n') + 1);
        EXPECT_EQ(last.substr(0, last.find_last_not_of(',') + 1), c.ours) << where;
        const bool warned =
            std::any_of(file.warnings.begin(), file.warnings.end(),
                        [&](const std::string& w) { return w.find(c.says) != std::string::npos; });
        EXPECT_EQ(c.says.empty() ? file.warnings.empty() : warned, true) << where;
    }
}

TEST(OtherLayouts, RowsPastTheRadiosChannelsAreCountedAndLeftOut) {
    std::string rows;
    for (int n = 0; n < 403; ++n) rows += "0,145.5,,,,FM,A\n";
    const OtherLayoutFile file = read_text(std::string(M) + "\n" + rows);
    ASSERT_EQ(file.warnings.size(), 1u);
    EXPECT_NE(file.warnings[0].find("the 3 from line 402 on are left out"), std::string::npos);
    // As our own file of 403 rows: the program writes 400 and says the rest is not.
    EXPECT_EQ(std::count(file.memory_file.begin(), file.memory_file.end(), '\n'), 404);
}

// Frames of every row of a memory file of our layout, channel by channel.
std::vector<protocol::ChannelFrames> frames_of(const MemoryFile& file) {
    std::vector<protocol::ChannelFrames> frames;
    Reader reader(file);
    while (reader.next_row()) {
        frames.emplace_back();
        protocol::encode_channel(reader.row(), static_cast<int>(frames.size()) - 1, frames.back());
    }
    return frames;
}

TEST(OtherLayouts, FilesGiveTheFramesOfTheSameChannelsInOurLayout) {
    const struct {
        const char* file;
        const char* ours;
        const char* read_as;
    } cases[] = {
        {"layout-programmer.csv", "layout-programmer-ours.csv",
         "Read as the multi-radio programmer's CSV: channel from column 1 (Location), frequency "
         "from column 3 (Frequency)"},
        {"layout-maker-export.csv", "layout-maker-export-ours.csv",
         "Read as the radio maker's memory export written with ';'"},
        {"layout-repeater-list.csv", "layout-repeater-list-ours.csv",
         "Read as the radio maker's repeater list: channels 0, 1, 2, ... in row order"},
    };
    for (const auto& c : cases) {
        const OtherLayoutFile file = read_text(file_text(c.file));
        EXPECT_TRUE(file.read_as.starts_with(c.read_as)) << file.read_as;
        EXPECT_TRUE(file.unwritable.empty()) << c.file << ": " << file.unwritable[0].reason;
        MemoryFile converted;
        converted.load(file.memory_file);
        EXPECT_EQ(check_memory_file(converted), std::nullopt) << file.memory_file;
        MemoryFile ours;
        ours.load(file_text(c.ours));
        const auto expected = frames_of(ours);
        const auto got = frames_of(converted);
        ASSERT_EQ(got.size(), expected.size()) << c.file;
        for (std::size_t n = 0; n < got.size(); ++n) {
            EXPECT_EQ(got[n].write, expected[n].write) << c.file << " channel " << n;
        }
    }
}

}  // namespace
}  // namespace quillmer::channels
