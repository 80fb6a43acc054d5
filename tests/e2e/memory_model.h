#pragma once
// What a memory file asks the radio to hold, by this suite's own reading of its
// columns, for comparison with the simulated radio's memory. It shares nothing
// with the program's reader or encoder.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/memory_image.h"

namespace quillmer::e2e {

/// One memory channel as the file describes it.
struct ExpectedChannel {
    bool erased = true;  ///< no frequency, or past the file's last data row
    std::uint64_t frequency_hz = 0;
    std::uint32_t offset_hz = 0;
    std::uint8_t mode = sim::kModeFm;
    std::uint8_t duplex = sim::kDuplexNone;
    std::string label = "        ";  ///< 8 characters each, as the radio stores them
    std::string call1 = "        ";
    std::string call2 = "        ";
    std::string call3 = "        ";
    int line = 0;  ///< the file's line the channel comes from, 1 for the first; 0: none
};

/// The data rows of a memory file, split into columns (column 1 at index 0).
/// Carriage returns are dropped, a byte 0x1A ends the file, a UTF-8 byte order
/// mark at the start is skipped; a line is a data row when it starts with a
/// digit; a last line without a line break is a data row as well. Lines of 199
/// characters or more are not modelled here and fail the calling test.
struct DataRow {
    int line = 0;
    std::vector<std::string> columns;
};
std::vector<DataRow> data_rows(std::string_view file_text);

/// Channels 0 to 399 as the file asks for them: the n-th data row for channel n,
/// erased channels after the last row. Columns: 2 frequency in MHz (its first 10
/// characters), 3 duplex (its 4th character, '+' or '-'), 4 offset in MHz (first
/// 8), 6 mode (AUTO, DV, AM, FM-N, else FM), 7 name, 17/18/19 call fields 3/2/1
/// (8 characters each, padded with spaces); a name that is empty or starts with
/// a space blanks the call fields too.
std::vector<ExpectedChannel> expected_channels(std::string_view file_text);

/// Megahertz written as decimal text ("433.45", " 145 ") in hertz; a text that
/// is not a plain decimal number fails the calling test and gives 0.
std::uint64_t parse_mhz(std::string_view text);

/// Success when every channel of `image` holds what `expected` says: erased
/// ones erased, written ones with the frequency, offset, mode, duplex, name and
/// call fields expected and packed digits that are all decimal. The message
/// names every channel that differs.
testing::AssertionResult memory_matches(const sim::MemoryImage& image,
                                        const std::vector<ExpectedChannel>& expected);

}  // namespace quillmer::e2e
