#include "channels/check.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "channels/reader.h"
#include "channels/test_files.h"

namespace quillmer::channels {
namespace {

using test_files::data_file;
using test_files::TempMemoryFile;

constexpr const char* kHeader = "CH No,Frequency,Dup,Offset\n";

TEST(Check, AcceptsWhatTheRadioGetsAsWrittenAndLeavesTheRowsToRead) {
    TempMemoryFile f(std::string(kHeader) +
                     "0,145.500000,DUP-,0.600000\n"
                     "1, 145.5  ,,  .6\n"
                     "2,1295.000000,,10.\n"
                     "3,145,,5\n"
                     "4,.5,,\n"
                     "5,,,\n"
                     "6,0145.5,,00.600000\n"
                     "# a comment line\n#4,146.000000,,,,FM,SKIPPED\n"
                     "  a note after blanks, and a line of blanks only\n"
                     "   \n"
                     // Blanks alone in the offset are written as zero, as an empty one.
                     "7,145.5,OFF,   \n"
                     // Modes by the encoder's own comparisons, FM in any case.
                     "8,145.5, off ,,,DVMODE\n"
                     "9,145.5,dup-,,,AMX\n"
                     "10,145.5,,,,AUTOMATIC\n"
                     "11,145.5,,,,fm\n"
                     "12,145.5,,,, Fm \n"
                     "13,145.5,,,,FM-N\n"
                     "14,145.5,,,\"5kHz\",   \n"
                     // A quotation mark inside a name; bytes past the 8 kept.
                     "15,145.5,,,,FM,A\"B\n"
                     "16,145.5,,,,FM,ABCDEFGH\xC3\xA9,,,,,,,,,,A,B,C,\"unused\"\n"
                     // A long line whose pieces after the first hold no kept column
                     // and start with no digit; a stray carriage return in a number.
                     "17,145.5,,,,FM,A,,,,,,,,,,C3,C2,C1," +
                     std::string(250, 'y') + "\n18,14\r5.5,Off\n");
    EXPECT_EQ(check_memory_file(f.file()), std::nullopt);
    Reader reader(f.file());
    ASSERT_TRUE(reader.next_row());
    EXPECT_STREQ(reader.row().frequency.data(), "145.500000");
}

struct Refused {
    const char* row;  // a line placed on the file's third line, between two good rows
    CheckFailure::Kind kind;
    int column;
    const char* text;
    const char* message;  // a part of describe()'s message
};

void PrintTo(const Refused& refused, std::ostream* out) {
    *out << testing::PrintToString(std::string(refused.row));
}

class CheckRefuses : public ::testing::TestWithParam<Refused> {};

TEST_P(CheckRefuses, NamingItsLineColumnAndText) {
    const Refused& r = GetParam();
    TempMemoryFile f(std::string(kHeader) + "0,145.5,,0.6\n" + r.row + "\n9,146.0,,\n");
    const auto failure = check_memory_file(f.file());
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->kind, r.kind);
    EXPECT_EQ(failure->line_number, 3);
    EXPECT_EQ(failure->column, r.column);
    EXPECT_EQ(failure->text, r.text);
    const std::string message = describe(*failure);
    EXPECT_TRUE(message.starts_with("Memory file line 3, column " + std::to_string(r.column)))
        << message;
    EXPECT_NE(message.find(r.message), std::string::npos) << message;
    EXPECT_TRUE(message.ends_with("\nNothing was sent to the radio.\n")) << message;
}

using Kind = CheckFailure::Kind;

INSTANTIATE_TEST_SUITE_P(
    Numbers, CheckRefuses,
    ::testing::Values(
        Refused{"1,145 ,,", Kind::bad_number, 2, "145 ", ""},  // a space before no point: 1450 MHz
        Refused{"1,145 .5,,", Kind::bad_number, 2, "145 .5", ""},
        Refused{"1,145. 5,,", Kind::bad_number, 2, "145. 5", ""},
        Refused{"1,14 5.5,,", Kind::bad_number, 2, "14 5.5", ""},
        Refused{"1,   ,,", Kind::bad_number, 2, "   ", "(frequency): \"   \" is not a plain"},
        Refused{"1,.,,", Kind::bad_number, 2, ".", ""},
        Refused{"1,145.5MHz,,", Kind::bad_number, 2, "145.5MHz", ""},
        Refused{"1,145.5.0,,", Kind::bad_number, 2, "145.5.0", ""},
        Refused{"1,145.500000X,,", Kind::bad_number, 2, "145.500000X", ""},  // past the 10th
        Refused{"1,145.5,,-0.6", Kind::bad_number, 4, "-0.6", ""},
        Refused{"1,145.5,,0\t6", Kind::bad_number, 4, "0\t6", "(offset): \"0\\t6\""},
        Refused{"1,145.5,,0.600000 MHz and more", Kind::bad_number, 4, "0.600000 MHz and mo", ""},
        Refused{"1,12345.0,,", Kind::too_many_digits, 2, "12345.0", "too many digits"},
        Refused{"1,00145.5,,", Kind::too_many_digits, 2, "00145.5",
                "\"00145.5\" has too many digits before the point (zeros in front count too)"},
        Refused{"1,145.5,,100.0", Kind::too_many_digits, 4, "100.0", "at most 2 digits"}));

// The files people actually have: a spreadsheet's other exports, the usual
// spellings of modes and duplex, a stray blank, names in other scripts.
INSTANTIATE_TEST_SUITE_P(
    Mistakes, CheckRefuses,
    ::testing::Values(
        Refused{"1\t145.500000\tDUP-\t0.600000", Kind::no_commas, 1,
                "1\t145.500000\tDUP-\t0.600000",
                "column 1: \"1\\t145.500000\\tDUP-\\t0.600000\" holds no comma: columns must "
                "be separated by commas.\nThe line holds tabs"},
        Refused{"1;145.500000;DUP-;0.6", Kind::no_commas, 1, "1;145.500000;DUP-;0.6",
                "The file seems to use ';' between columns"},
        Refused{"7", Kind::no_commas, 1, "7", "A line that starts with a digit is a channel"},
        Refused{"1,\"145.5\",,", Kind::quoted_field, 2, "\"145.5\"", ""},
        Refused{"1,145.5,\"DUP-\",0.6", Kind::quoted_field, 3, "\"DUP-\"",
                "without quotation marks around fields"},
        Refused{"1,145.5,,,\"5kHz\",\"DV\"", Kind::quoted_field, 6, "\"DV\"", ""},
        Refused{"1,145.5,,,,FM,\"CALL 2M\"", Kind::quoted_field, 7, "\"CALL 2M\"", "(name)"},
        Refused{"1,145.5,,,,DV,A,,,,,,,,,,\"GB7NB G\",GB7NB B", Kind::quoted_field, 17,
                "\"GB7NB G\"", "(UR)"},
        Refused{"1,145.5,,,,dv", Kind::unknown_mode, 6, "dv",
                "\"dv\" is not a mode the radio knows; it would be written as FM.\nThe modes "
                "are FM, FM-N, AM, DV and AUTO"},
        Refused{"1,145.5,,,,D-STAR", Kind::unknown_mode, 6, "D-STAR", ""},
        Refused{"1,145.5,,,,fm-n", Kind::unknown_mode, 6, "fm-n", ""},
        Refused{"1,145.5,,,,WFM", Kind::unknown_mode, 6, "WFM", ""},
        Refused{"1,145.5,-,0.6", Kind::unknown_duplex, 3, "-",
                "\"-\" is not a duplex the radio knows; it would be written as simplex.\n"
                "Duplex is written DUP+ or DUP-"},
        Refused{"1,145.5,+,0.6", Kind::unknown_duplex, 3, "+", ""},
        Refused{"1,145.5,  DUP-,0.6", Kind::unknown_duplex, 3, "  DUP-", ""},  // sign cut off
        Refused{"1,145.5,Minus,0.6", Kind::unknown_duplex, 3, "Minus", ""},
        Refused{"1,145.5,DUP,0.6", Kind::unknown_duplex, 3, "DUP", ""},
        Refused{"1,145.5,SIMPLEX,", Kind::unknown_duplex, 3, "SIMPLEX", ""},
        Refused{"1,145.5,500,", Kind::unknown_duplex, 3, "500", ""},
        // A decimal comma and a thousands separator in a spreadsheet's export.
        Refused{"0,145,500,,,,FM,CALL", Kind::unknown_duplex, 3, "500",
                "Columns 2 and 3 together, \"145,500\", look like a number written with a comma"},
        Refused{"0,1,297.5,,,,23CM DV", Kind::unknown_duplex, 3, "297.5", "\"1,297.5\", look"},
        Refused{"1,0,,", Kind::zero_frequency, 2, "0",
                "\"0\" is zero: the radio would get a channel at 0 Hz.\nTo erase a channel, "
                "leave its frequency empty.\n"},
        Refused{"1, 0.000000 ,,", Kind::zero_frequency, 2, " 0.000000 ", ""},
        Refused{"\"1\",\"145.5\",,", Kind::quoted_row, 1, "\"1\",\"145.5\",,",
                "starts with a quotation mark: it would be skipped"},
        Refused{" 4,146.0,,", Kind::blank_before_row, 1, " 4,146.0,,",
                "it would be skipped, and every later row would move up one channel"},
        Refused{"\t4,146.0,,", Kind::blank_before_row, 1, "\t4,146.0,,", ""},
        Refused{"1,145.5,,,,FM,Caf\xC3\xA9 CQ", Kind::not_ascii, 7, "Caf\xC3\xA9 CQ",
                "(name): \"Caf\\xC3\\xA9 CQ\" holds a character the radio cannot show"},
        Refused{"1,145.5,,,,DV,\xE6\x9D\xB1\xE4\xBA\xAC", Kind::not_ascii, 7,
                "\xE6\x9D\xB1\xE4\xBA\xAC", ""},
        Refused{"1,145.5,,,,DV,NAME,,,,,,,,,,A,B,CQ\x7F", Kind::not_ascii, 19, "CQ\x7F", "(RPT2)"},
        // A channel the user meant, on a line without its number.
        Refused{",433.050000,DUP+,1.600000,,FM,GB3CC", Kind::unnumbered_row, 1,
                ",433.050000,DUP+,1.600000,,FM,GB3CC",
                "does not start with a digit, but holds a frequency in column 2: it would be "
                "skipped"},
        Refused{"new,145.500000,OFF,0,,FM,CALL 2M", Kind::unnumbered_row, 1,
                "new,145.500000,OFF,0,,FM,CALL 2M", "must start with its channel number"}));

TEST(Check, TheEarliestLineWins) {
    // A skipped blank-led line against a row failure, either way round.
    TempMemoryFile blank_first(std::string(kHeader) + "0,145.5,,\n 1,146.0,,\n2,dv,,\n");
    auto failure = check_memory_file(blank_first.file());
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->kind, CheckFailure::Kind::blank_before_row);
    EXPECT_EQ(failure->line_number, 3);

    TempMemoryFile row_first(std::string(kHeader) + "0,145.5,,,,dv\n 1,146.0,,\n");
    failure = check_memory_file(row_first.file());
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->kind, CheckFailure::Kind::unknown_mode);
    EXPECT_EQ(failure->line_number, 2);
}

TEST(Check, EveryLineAtFaultIsListedUpToTwentyAndItsAdviceOnce) {
    struct Case {
        int faults;
        std::string tail;
    };
    const std::string blanks = "Remove the blanks at the start of the line.\n";
    for (const Case& c : {Case{2, blanks}, Case{20, blanks},
                          Case{21, "And 1 more line at fault, not shown here.\n"},
                          Case{24, "And 4 more lines at fault, not shown here.\n"}}) {
        std::string rows;
        for (int n = 1; n < c.faults; ++n) rows += std::to_string(n) + ",14x.5,,\n";
        TempMemoryFile f(std::string(kHeader) + rows + " 9,146.0,,\n");
        const std::vector<CheckFailure> failures = file_failures(f.file());
        ASSERT_EQ(failures.size(), static_cast<std::size_t>(c.faults));
        EXPECT_EQ(failures.back().kind, CheckFailure::Kind::blank_before_row);
        EXPECT_EQ(failures.back().line_number, c.faults + 1);
        const std::string message = describe(failures);
        std::size_t lines = 0;
        for (std::size_t at = message.find("Memory file line "); at != std::string::npos;
             at = message.find("Memory file line ", at + 1)) {
            ++lines;
        }
        EXPECT_EQ(lines, std::min<std::size_t>(failures.size(), 20)) << message;
        const std::size_t advice = message.find("A frequency is written in MHz");
        EXPECT_EQ(message.find("A frequency is written in MHz", advice + 1), std::string::npos);
        EXPECT_TRUE(message.ends_with(c.tail + "Nothing was sent to the radio.\n")) << message;
    }
}

TEST(Check, LineNumbersCountPhysicalLinesAndTheFirstFailureWins) {
    std::string long_line = "1,145.0,,,,,,";
    long_line.append(250, 'x');
    TempMemoryFile f("\xEF\xBB\xBF" + std::string(kHeader) + "\r\n" + long_line +
                     "\r\n2,145.0,,0.6 6\r\n3,x,,\r\n");
    const auto failure = check_memory_file(f.file());
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->line_number, 4);
    EXPECT_EQ(failure->column, 4);
    EXPECT_EQ(failure->text, "0.6 6");
}

TEST(Check, FileWithoutDataRowsIsRefused) {
    TempMemoryFile headers_only(std::string(kHeader) + "\n,145.0,,\n");
    const auto failure = check_memory_file(headers_only.file());
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->kind, CheckFailure::Kind::no_data_rows);
    EXPECT_EQ(describe(*failure),
              "Memory file has no data rows (a data row starts with a digit): nothing to write.\n"
              "Nothing was sent to the radio.\n");

    TempMemoryFile empty("");
    EXPECT_TRUE(check_memory_file(empty.file()).has_value());
}

TEST(Check, FileWithoutAnyFrequencyWouldOnlyEraseAndIsRefused) {
    TempMemoryFile blank_rows(std::string(kHeader) + "0,,DUP-,0.6,,DV,NAME\n1,,,\n2,,,\n");
    const auto failure = check_memory_file(blank_rows.file());
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->kind, CheckFailure::Kind::no_frequencies);
    EXPECT_EQ(describe(*failure),
              "Memory file has no data row with a frequency: it would only erase the radio's "
              "channels.\n"
              "Nothing was sent to the radio.\n");
}

TEST(Check, ZeroByteAnywhereIsRefusedAsNoTextFile) {
    using namespace std::string_literals;
    // A zero byte would end the row's line before its frequency: a row that
    // erases its channel. Header lines and rows alike count.
    struct Case {
        std::string bytes;
        int zero_line;
        int first_row_line;
    };
    for (const Case& c :
         {Case{std::string(kHeader) + "0,145.5,,\n1,"s + '\0' + "146.0,,,FM\n", 3, 2},
          Case{std::string(kHeader) + "0,145.5,,\n1,146.0,,,FM,NA\0ME\n"s, 3, 2},
          Case{"CH\0,Frequency\n\n\n0,145.5,,\n"s, 1, 4}}) {
        TempMemoryFile f(c.bytes);
        const auto failure = check_memory_file(f.file());
        ASSERT_TRUE(failure.has_value()) << testing::PrintToString(c.bytes);
        EXPECT_EQ(failure->kind, CheckFailure::Kind::zero_byte);
        EXPECT_EQ(failure->line_number, c.zero_line);
        // The rows are still there for the transfer's reading, as after a success.
        Reader reader(f.file());
        EXPECT_TRUE(reader.next_row());
        EXPECT_EQ(reader.raw().line_number, c.first_row_line);
    }

    // Text saved as UTF-16: every other byte is zero.
    TempMemoryFile wide(
        "\xFF\xFE"
        "0\0,\0"
        "1\0"
        "4\0"
        "5\0\n\0"s);
    const auto failure = check_memory_file(wide.file());
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->line_number, 1);
    EXPECT_EQ(describe(*failure),
              "Memory file line 1 holds a zero byte: it is not a text file (a program, a "
              "spreadsheet in its own format, or text saved as UTF-16, say).\n"
              "Save the channels as comma-separated text.\n"
              "Nothing was sent to the radio.\n");

    // After the end-of-file byte nothing is part of the file.
    TempMemoryFile ended(std::string(kHeader) + "0,145.5,,\n\x1a\0\0"s);
    EXPECT_EQ(check_memory_file(ended.file()), std::nullopt);
}

TEST(Check, SemicolonSeparatedExportIsRefusedWithAHint) {
    MemoryFile file;
    ASSERT_TRUE(file.open(data_file("semicolon-locale.csv").c_str()));
    const auto failure = check_memory_file(file);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->line_number, 2);
    EXPECT_TRUE(failure->semicolons);
    EXPECT_EQ(describe(*failure),
              "Memory file line 2, column 2 (frequency): \"337500;OFF;0\" is not a plain decimal "
              "number.\n"
              "A frequency is written in MHz with a point, such as 145.500000 (at most 4 digits "
              "before the point).\n"
              "The file seems to use ';' between columns (a spreadsheet saved under a locale with "
              "decimal commas): save it with commas between columns and points in numbers.\n"
              "Nothing was sent to the radio.\n");
}

TEST(Check, OffsetMessageSaysWhatAnOffsetLooksLike) {
    CheckFailure failure;
    failure.line_number = 12;
    failure.column = 4;
    failure.text = "0,6";
    EXPECT_EQ(describe(failure),
              "Memory file line 12, column 4 (offset): \"0,6\" is not a plain decimal number.\n"
              "An offset is written in MHz with a point, such as 0.600000 (at most 2 digits "
              "before the point).\n"
              "Nothing was sent to the radio.\n");
}

TEST(Check, ACutThatWouldChangeTheNumberIsRefused) {
    // Kept: sub-hertz digits and zeros past the kept width are no loss.
    TempMemoryFile fine(std::string(kHeader) +
                        "0,145.12345678,,0.6000000\n"
                        "1,1295.000000,,10.000000\n"
                        "2,  145.0000000,,\n");
    EXPECT_EQ(check_memory_file(fine.file()), std::nullopt);

    struct Case {
        const char* row;
        int column;
    };
    for (const Case c : {Case{"1,1295.123456,,", 2},     // the hertz digit falls off
                         Case{"1,       145.5,,", 2},    // spaces push the .5 out
                         Case{"1,         1450,,", 2},   // and the integer apart
                         Case{"1,145.5,,  12.3456", 4},  // offset kept to 8
                         Case{"1,145.5,,      5.5", 4}}) {
        TempMemoryFile f(std::string(kHeader) + c.row + "\n");
        const auto failure = check_memory_file(f.file());
        ASSERT_TRUE(failure.has_value()) << c.row;
        EXPECT_EQ(failure->kind, CheckFailure::Kind::cut_number) << c.row;
        EXPECT_EQ(failure->column, c.column) << c.row;
        EXPECT_EQ(failure->line_number, 2) << c.row;
    }

    CheckFailure failure;
    failure.kind = CheckFailure::Kind::cut_number;
    failure.line_number = 7;
    failure.column = 2;
    failure.text = "1295.123456";
    EXPECT_EQ(describe(failure),
              "Memory file line 7, column 2 (frequency): \"1295.123456\" is longer than the 10 "
              "characters kept, and cutting it would change the number.\n"
              "A frequency is written in MHz with a point, such as 145.500000 (at most 4 digits "
              "before the point).\n"
              "Nothing was sent to the radio.\n");
}

TEST(Check, TheSemicolonHintOnlyForSemicolonsBetweenColumns) {
    TempMemoryFile f(std::string(kHeader) + "0,145.5x,,,,FM,NAME,note; more\n");
    const auto failure = check_memory_file(f.file());
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(describe(*failure).find("';'"), std::string::npos) << describe(*failure);
}

TEST(Check, RealFilePasses) {
    MemoryFile file;
    ASSERT_TRUE(file.open(data_file("marine-vhf-100.csv").c_str()));
    EXPECT_EQ(check_memory_file(file), std::nullopt);
}

std::string read_data(std::string_view name) {
    std::ifstream in(data_file(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string replaced(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from)) {
        out.append(text.substr(0, at)).append(to);
        text.remove_prefix(at + from.size());
    }
    return out.append(text);
}

/// A row of the example file with a comment of `length` characters in column 16.
std::string commented_row(std::size_t length, char last = 'x') {
    std::string comment(length - 1, 'x');
    return "3,439.575000,DUP-,7.600000,12.5kHz,DV,GB7NB CQ,OFF,OFF,88.5Hz,88.5Hz,023,BOTH "
           "N,OFF,0," +
           comment + last + ",GB7NB G,GB7NB B,CQCQCQ\n";
}

/// Files that went into the radio wrong with status 0, each refused now.
struct RefusedFile {
    const char* name;
    std::string bytes;
    Kind kind;
    int line;
    int column;
    const char* message;  // a part of describe()'s message
};

void PrintTo(const RefusedFile& refused, std::ostream* out) {
    *out << refused.name;
}

class CheckRefusesFile : public ::testing::TestWithParam<RefusedFile> {};

TEST_P(CheckRefusesFile, NamingTheRealLine) {
    const RefusedFile& r = GetParam();
    TempMemoryFile f(r.bytes);
    const auto failure = check_memory_file(f.file());
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->kind, r.kind);
    EXPECT_EQ(failure->line_number, r.line);
    EXPECT_EQ(failure->column, r.column);
    const std::string message = describe(*failure);
    EXPECT_NE(message.find(r.message), std::string::npos) << message;
    EXPECT_TRUE(message.ends_with("\nNothing was sent to the radio.\n")) << message;
}

const std::string kExampleHeader =
    "CH No,Frequency,Dup,Offset,TS,Mode,Name,SKIP,TONE,Repeater Tone,TSQL Frequency,DTCS "
    "Code,DTCS Polarity,DV SQL,DV CSQL Code,Comment,Call Field 3,Call Field 2,Call Field 1\n";

INSTANTIATE_TEST_SUITE_P(
    Layouts, CheckRefusesFile,
    ::testing::Values(
        // The real export for newer handhelds: "Your Call Sign" in column 16 over
        // DV rows with call signs there; as published (a trailing comma on each
        // row, which is no column) and without the trailing commas.
        RefusedFile{"ExportForNewerRadios", read_data("dv-bank-sydney.csv"), Kind::header_column, 1,
                    16,
                    "Memory file line 1, column 16: the header calls it \"Your Call Sign\", but "
                    "UR is read from column 17, and line 2, a DV channel, holds one there: it "
                    "would not be sent.\n"},
        // UR, RPT1 and RPT2 in another order than the maker's; a tone where the
        // name is read.
        RefusedFile{"CallSignsInAnotherOrder",
                    "CH No,Frequency,Dup,Offset,TS,Mode,Name,,,,,,,,,,RPT2,RPT1,URCALL\n"
                    "0,439.575,DUP-,7.6,,DV,GB7NB,,,,,,,,,,GB7NB  G,,CQCQCQ\n",
                    Kind::header_column, 1, 17,
                    "the header calls it \"RPT2\", but RPT2 is read from column 19, and line 2, a "
                    "DV channel, holds one there: it would be sent as UR."},
        RefusedFile{"ToneWhereTheNameIsRead",
                    "No,Frequency,Duplex,Offset,Description,Mode,CTCSS\n0,145.5,,,,FM,67.0\n",
                    Kind::header_column, 1, 7,
                    "but this program reads column 7 as the name, and line 2 holds a value there"},
        RefusedFile{"ExportWithoutTrailingCommas",
                    replaced(read_data("dv-bank-sydney.csv"), ",\n", "\n"), Kind::header_column, 1,
                    16, "laid out for another radio or program"},
        // Another program's 19 columns, flags at 17 to 19.
        RefusedFile{"OtherProgramsLayout",
                    "No,Frequency,Duplex,Offset,Step,Name,Mode,Tone,CTCSS,DCS,Power,Width,Scan,"
                    "Comment,Group,Band,Skip,Lock,Priority\n"
                    "0,145.500000,,0.000000,12.5,CALL,FM,,,,,,,,,,N,N,Y\n",
                    Kind::header_column, 1, 6,
                    "the header calls it \"Name\", but the name is read from column 7."},
        RefusedFile{"QuotedHeaderNames",
                    "\"Location\",\"Name\",\"Frequency\",\"Duplex\",\"Offset\",\"Tone\",\"Mode\"\n"
                    "0,145.500000,,0.000000,,FM,CALL\n",
                    Kind::header_column, 1, 2, "the header calls it \"Name\", but"},
        RefusedFile{"LongCommentInTheExample", kExampleHeader + commented_row(130),
                    Kind::long_line_cut, 2, 17,
                    "line 2 is 239 characters long, and a line is read in pieces of 199: column "
                    "17 (UR), \"GB7NB G\", reaches past character 199"},
        RefusedFile{"DigitAsThe200thCharacter", kExampleHeader + commented_row(114, '5'),
                    Kind::long_line_row, 2, 0,
                    "the piece from character 200 on starts with a digit"},
        RefusedFile{"LineOf450WithARowAt399",
                    std::string(kHeader) + "0,145.5\n1,145.5,,,,FM,A,,,,,,,,,,,,,," +
                        std::string(369, 'x') + "2,146.0" + std::string(45, 'y') + "\n",
                    Kind::long_line_row, 3, 0,
                    "line 3 is 450 characters long, and a line is read in pieces of 199: the "
                    "piece from character 399 on"},
        RefusedFile{"MacintoshLineEnds", replaced(read_data("marine-vhf-100.csv"), "\r\n", "\r"),
                    Kind::carriage_returns, 1, 0,
                    "Memory file line 1 ends in a carriage return alone"}),
    [](const testing::TestParamInfo<RefusedFile>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace quillmer::channels
