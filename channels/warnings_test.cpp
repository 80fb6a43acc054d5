#include "channels/warnings.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "channels/test_files.h"

namespace quillmer::channels {
namespace {

using test_files::data_file;
using test_files::TempMemoryFile;
using Kind = FileWarning::Kind;

std::vector<std::pair<Kind, int>> kinds_and_lines(const std::vector<FileWarning>& warnings) {
    std::vector<std::pair<Kind, int>> found;
    for (const FileWarning& w : warnings) found.emplace_back(w.kind, w.line_number);
    return found;
}

std::string rows_from(int first, int count) {
    std::string rows;
    for (int n = first; n < first + count; ++n) rows += std::to_string(n) + ",145.5,,,,FM\n";
    return rows;
}

TEST(Warnings, EachKindAtItsFirstLine) {
    const std::string header = "CH,Frequency,Dup,Offset,TS,Mode,Name\n";
    struct Case {
        std::string file;
        std::vector<std::pair<Kind, int>> expected;
    };
    const Case cases[] = {
        // Counting from 0 or from 1, numbers with leading zeros: in order.
        {header + rows_from(0, 5), {}},
        {header + rows_from(1, 5), {}},
        {header + "00,145.5\n01,145.5\n02,145.5\n", {}},
        // A gap, a number out of order, no number at all.
        {header + rows_from(0, 3) + rows_from(4, 2), {{Kind::numbering, 5}}},
        {header + rows_from(1, 2) + "1,145.5\n", {{Kind::numbering, 4}}},
        {header + "0,145.5\n1a,145.5\n", {{Kind::numbering, 3}}},
        // Names alike after the cut, on written channels only; the same name
        // twice is meant; a name led by a space is sent blank; an erased row
        // sends no name.
        {header + "0,145.5,,,,FM,Sydney 001CL\n1,145.5,,,,FM,CQ\n2,145.5,,,,FM,Sydney 003CL\n"
                  "3,145.5,,,,FM,CQ\n4,,,,,FM,Echo 12345\n5,145.5,,,,FM,Echo 12346\n"
                  "6,145.5,,,,FM, Blank 001\n7,145.5,,,,FM, Blank 002\n",
         {{Kind::same_names, 2}}},
        // Past 400 rows the rest is not written.
        {header + rows_from(0, 402), {{Kind::too_many_rows, 402}}},
        // The header of the last lines before the first row, not a comment.
        {"# exported\nCH,Freq,Dup\n\n" + rows_from(0, 2), {{Kind::short_header, 2}}},
        {"CH,Frequency,Dup,Offset\n0,145.5,,,,,,,,,,,,,,,,,,,,,X\n", {{Kind::short_header, 1}}},
        {"No header at all\n" + rows_from(0, 2), {}},
        // Trailing commas are no columns.
        {"CH No,Frequency,Dup,Offset,\n0,145.5,,0.6,,,,,,,,\n", {}},
        // A header laid out for another radio: FM channels do not use call signs.
        {"CH,Frequency,Dup,Offset,TS,Mode,Name,,,,,,,,,Your Call Sign\n"
         "0,145.5,,,,FM,A,,,,,,,,,CQCQCQ\n",
         {{Kind::header_calls, 1}}},
        {"CH,Frequency,Dup,Offset,TS,Mode,Name,,,,,,,,,,URCALL,RPT2CALL,RPT1CALL\n0,145.5\n",
         {{Kind::header_calls, 1}}},
        // Frequencies these radios do not receive, on written channels only.
        {header + "0,1295.0\n1,145.5\n2,0.1\n3,,,,,FM\n", {{Kind::out_of_range, 2}}},
        {header + "0,0.495\n1,999.99\n", {}},
        // Call signs that go out blank for want of a name.
        {"0,145.5,,,,DV,NAME,,,,,,,,,,A,B,C\n1,145.5,,,,DV, X,,,,,,,,,,A\n"
         "2,145.5,,,,DV,,,,,,,,,,,,,C\n3,,,,,DV,,,,,,,,,,,A\n",
         {{Kind::calls_unnamed, 2}}},
        // A tone set on a written channel: neither empty nor OFF.
        {"CH,Frequency,Dup,Offset,TS,Mode,Name,SKIP,Tone\n0,145.5,,,,FM,A,,OFF\n1,145.5\n"
         "2,,,,,FM,C,,TONE\n3,145.5,,,,FM,D,, tsql \n",
         {{Kind::tones, 5}}},
        // Rows after a Ctrl-Z are not part of the file; a note after it is harmless.
        {header + rows_from(0, 2) + "\x1a" + rows_from(2, 2), {{Kind::after_end_byte, 4}}},
        {header + rows_from(0, 2) + "\x1a\n# end\n", {}},
    };
    for (const Case& c : cases) {
        TempMemoryFile f(c.file);
        EXPECT_EQ(kinds_and_lines(file_warnings(f.file())), c.expected)
            << testing::PrintToString(c.file.substr(0, 200));
    }
}

TEST(Warnings, RealFilesAndTheirMessages) {
    TempMemoryFile short_header(
        "CH No,Frequency,Dup,Offset,TS,Mode,Name,SKIP,TONE,Repeater Tone,TSQL Frequency,DTCS "
        "Code,DTCS Polarity,DV SQL,DV SQL Code,Your Call Sign,RPT1 Call Sign,RPT2 Call Sign\n"
        "0,438.7750,DUP-,5.000,,DV,Sydney CQ,OFF,OFF,,OFF,,,,,,VK2RBV B,VK2RBV G,CQCQCQ,\n");
    const std::vector<FileWarning> warnings = file_warnings(short_header.file());
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].message,
              "The header on line 1 names 18 columns, but data rows hold 19: check that the "
              "columns line up with the header (the name comes from column 7, the call signs "
              "UR, RPT1 and RPT2 from columns 17, 18 and 19).\n");

    TempMemoryFile other(
        "0,1295.0,,,,DV,,,,,,,,,,,CQCQCQ\n1,145.5\n2,2000.0\n\x1a"
        "3,146.0\n");
    const auto messages = file_warnings(other.file());
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].message,
              "Each of channels 0, 2 has a frequency outside 0.495 to 999.990 MHz, what these "
              "radios receive: the radio may refuse it during the write.\n");
    EXPECT_EQ(messages[1].message,
              "Channel 0 has call signs in columns 17 to 19 (UR, RPT1, RPT2) but no name in "
              "column 7 (or one that starts with a blank): its call fields are sent blank.\n");
    EXPECT_EQ(messages[2].message,
              "Line 4 holds a Ctrl-Z byte (0x1A), which ends the file: the 1 data row after it "
              "is not written, and its channel is erased.\n");

    // "MVHF CH1" and "MVHF CH10" to "MVHF CH19" and so on.
    MemoryFile marine;
    ASSERT_TRUE(marine.open(data_file("marine-vhf-100.csv").c_str()));
    const auto alike = file_warnings(marine);
    ASSERT_FALSE(alike.empty());
    for (std::size_t i = 0; i + 1 < alike.size(); ++i) {
        EXPECT_EQ(alike[i].kind, Kind::same_names) << alike[i].message;
    }
    EXPECT_EQ(alike.back().message,
              "The header on line 1 calls column 16 \"Your Call Sign\", but the call signs are "
              "read from columns 17, 18 and 19 as UR, RPT1 and RPT2: the file is laid out for "
              "another radio or program. No DV channel holds one there, and FM channels do not "
              "use them.\n");

    TempMemoryFile gap("0,145.5\n1,145.5\n3,145.5\n");
    const auto numbering = file_warnings(gap.file());
    ASSERT_EQ(numbering.size(), 1u);
    EXPECT_EQ(numbering[0].message,
              "Line 3 has \"3\" in column 1 where 2 would follow: channels are written in row "
              "order, whatever column 1 says (this row is channel 2).\n");

    std::string tones = "CH,Frequency,Dup,Offset,TS,Mode,Name,SKIP,TONE\n";
    for (int ch = 0; ch < 7; ++ch) tones += std::to_string(ch) + ",145.5,,,,FM,A,,TONE\n";
    TempMemoryFile toned(tones);
    EXPECT_EQ(file_warnings(toned.file()).back().message,
              "7 channels set a tone in column 9 (\"TONE\"): channels 0-4 and 2 more. The radio "
              "gets no tone from this program: set it on the radio.\n");

    TempMemoryFile many(rows_from(0, 410));
    const auto too_many = file_warnings(many.file());
    ASSERT_EQ(too_many.size(), 1u);
    EXPECT_EQ(too_many[0].message,
              "The file holds 410 data rows: only the first 400 are written, not those from "
              "line 401 on, and a run ends with status 9.\n");
}

TEST(Warnings, ChannelRanges) {
    EXPECT_EQ(channel_ranges({}), "none");
    EXPECT_EQ(channel_ranges({5}), "5");
    EXPECT_EQ(channel_ranges({1, 2, 3, 7, 9, 10}), "1-3, 7, 9-10");
    EXPECT_EQ(channel_ranges({6, 7, 11, 13, 14, 15}), "6-7, 11, 13-15");
}

}  // namespace
}  // namespace quillmer::channels
