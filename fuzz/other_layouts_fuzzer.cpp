// Fuzz target: arbitrary bytes as a channel file of another program, read by its
// header into our own layout, with and without skipping the rows this radio
// cannot hold.
//
// Besides memory safety it asserts: a file of no known layout gives nothing; a
// file read by its header says how, in one line of printable ASCII, and every
// row it cannot write is named by its line with a reason any console shows;
// skipping changes nothing but the warnings, which name each skipped line.
// Whatever it accepts passes the memory file's own check (or holds no channel
// at all), and its rows are channels 0, 1, 2, ... (to 399 where the file numbers
// them) whose frames the program's frame decoder reads back as that channel,
// with the frequency its row holds.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "channels/check.h"
#include "channels/memory_file.h"
#include "channels/other_layouts.h"
#include "channels/reader.h"
#include "fuzz/fuzz_check.h"
#include "protocol/encoder.h"
#include "protocol/frame_decode.h"

namespace {

using namespace quillmer::channels;

bool shows(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

/// The converted text through the check and the encoder, as a run would take it.
void check_written(const std::string& memory_file, OtherLayout layout) {
    MemoryFile file;
    file.load(memory_file);
    const auto failure = check_memory_file(file);
    QUILLMER_FUZZ_CHECK(!failure || failure->kind == CheckFailure::Kind::no_data_rows ||
                        failure->kind == CheckFailure::Kind::no_frequencies);
    Reader reader(file);
    int channel = 0;
    for (; reader.next_row(); ++channel) {
        const std::string_view line = reader.raw().line.data();
        QUILLMER_FUZZ_CHECK(line.substr(0, line.find(',')) == std::to_string(channel));
        if (channel >= kMemoryChannels || reader.row().frequency[0] == '\0') continue;
        quillmer::protocol::ChannelFrames frames;
        quillmer::protocol::encode_channel(reader.row(), channel, frames);
        const auto decoded = quillmer::protocol::decode_channel_frame(frames.write);
        QUILLMER_FUZZ_CHECK(decoded && decoded->decimal && decoded->channel == channel);
        // Our own text holds six decimals, or fewer with the zeros dropped.
        const std::string_view frequency = reader.row().frequency.data();
        QUILLMER_FUZZ_CHECK(decoded->frequency.starts_with(frequency));
    }
    // Locations run to 399; the maker's rows past it are the program's to count.
    if (layout == OtherLayout::programmer_csv) QUILLMER_FUZZ_CHECK(channel <= kMemoryChannels);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryFile file;
    file.load(std::string(reinterpret_cast<const char*>(data), size));
    const std::vector<FileLine>& lines = file.lines();
    const OtherLayoutFile listed = read_other_layout(lines, false);
    const OtherLayoutFile skipped = read_other_layout(lines, true);
    QUILLMER_FUZZ_CHECK(listed.layout == skipped.layout);
    if (listed.layout == OtherLayout::none) {
        QUILLMER_FUZZ_CHECK(listed.read_as.empty() && listed.memory_file.empty());
        QUILLMER_FUZZ_CHECK(listed.unwritable.empty() && listed.warnings.empty());
        return 0;
    }
    QUILLMER_FUZZ_CHECK(listed.read_as.starts_with("Read as ") && shows(listed.read_as));
    QUILLMER_FUZZ_CHECK(listed.memory_file == skipped.memory_file);
    QUILLMER_FUZZ_CHECK(listed.unwritable.size() == skipped.unwritable.size());
    int last_line = 0;
    for (const LineFault& fault : listed.unwritable) {
        QUILLMER_FUZZ_CHECK(fault.line_number > last_line && shows(fault.reason));
        QUILLMER_FUZZ_CHECK(fault.line_number <= static_cast<int>(lines.size()));
        last_line = fault.line_number;
        const std::string named = "ine " + std::to_string(fault.line_number);
        QUILLMER_FUZZ_CHECK(
            std::any_of(skipped.warnings.begin(), skipped.warnings.end(),
                        [&](const std::string& w) { return w.find(named) != std::string::npos; }));
    }
    for (const std::string& warning : skipped.warnings) QUILLMER_FUZZ_CHECK(shows(warning));
    if (listed.column_fault.line_number != 0) {
        QUILLMER_FUZZ_CHECK(shows(listed.column_fault.reason));
        return 0;
    }
    check_written(skipped.memory_file, skipped.layout);
    return 0;
}
