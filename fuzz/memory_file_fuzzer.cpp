// Fuzz target: arbitrary bytes as a memory file, through the check, the reader and
// the encoder, as the program takes them before and during a transfer.
//
// Besides memory safety it asserts the check's promise: when a file passes, every
// channel's frequency and offset reach the write frame as the very numbers the
// file holds, to the hertz. The memory file is opened by path, so each input is
// written to a scratch file, in memory (/dev/shm) where the system has that.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

#include "channels/check.h"
#include "channels/memory_file.h"
#include "channels/reader.h"
#include "fuzz/fuzz_check.h"
#include "protocol/encoder.h"
#include "protocol/frames.h"

namespace {

namespace fs = std::filesystem;
using quillmer::channels::CheckFailure;
using quillmer::channels::MemoryFile;
using quillmer::channels::RawRow;
using quillmer::channels::Reader;
using quillmer::protocol::Byte;
using quillmer::protocol::ChannelFrames;
namespace write_at = quillmer::protocol::write_at;

constexpr int kChannels = 400;

/// One file for all the inputs of a run, removed when the run ends.
class ScratchFile {
  public:
    ScratchFile() {
        std::error_code error;
        fs::path dir = "/dev/shm";
        if (!fs::is_directory(dir, error)) dir = fs::temp_directory_path();
        // Runs side by side (libFuzzer's -jobs, parallel tests) need a file each.
        std::random_device random;
        path_ = dir / ("quillmer-fuzz-" + std::to_string(random()) + "-" +
                       std::to_string(random()) + ".csv");
    }
    ~ScratchFile() {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    /// Replaces the file's bytes; false when it cannot be written.
    bool write(const std::uint8_t* data, std::size_t size) const {
        std::FILE* out = std::fopen(path_.string().c_str(), "wb");
        if (out == nullptr) return false;
        const bool written = size == 0 || std::fwrite(data, 1, size, out) == size;
        return std::fclose(out) == 0 && written;
    }
    std::string path() const { return path_.string(); }

  private:
    fs::path path_;
};

/// A number as the frame must carry it: the digits of `text` in units of 10^-6,
/// from a field that passed the check (spaces, digits, a point, digits, spaces).
/// Digits after the sixth fraction digit are not carried.
std::uint64_t micro_units(std::string_view text) {
    std::uint64_t whole = 0;
    std::uint64_t fraction = 0;
    int fraction_digits = 0;
    bool after_point = false;
    for (const char c : text) {
        if (c == '.') {
            after_point = true;
        } else if (c >= '0' && c <= '9') {
            const auto digit = static_cast<std::uint64_t>(c - '0');
            if (!after_point) {
                whole = whole * 10 + digit;
            } else if (fraction_digits < 6) {
                fraction = fraction * 10 + digit;
                ++fraction_digits;
            }
        }
    }
    for (; fraction_digits < 6; ++fraction_digits) fraction *= 10;
    return whole * 1'000'000 + fraction;
}

/// The `count` bytes from `at` as packed decimal, least significant byte first.
std::uint64_t packed_value(const ChannelFrames& frames, std::size_t at, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = count; i-- > 0;) {
        const Byte b = frames.write[at + i];
        QUILLMER_FUZZ_CHECK((b >> 4) <= 9 && (b & 0x0F) <= 9);
        value = value * 100 + static_cast<std::uint64_t>((b >> 4) * 10 + (b & 0x0F));
    }
    return value;
}

/// A checked row: the frame holds the frequency (five bytes) and the offset (four
/// bytes) in hertz, exactly as the row's text gives them in megahertz.
void check_numbers(const RawRow& raw, const ChannelFrames& frames) {
    QUILLMER_FUZZ_CHECK(packed_value(frames, write_at::kFrequency, 5) ==
                        micro_units(raw.frequency.data()));
    QUILLMER_FUZZ_CHECK(packed_value(frames, write_at::kOffset, 4) ==
                        micro_units(raw.offset.data()));
}

void check_failure(const CheckFailure& failure) {
    if (failure.kind == CheckFailure::Kind::zero_byte) {
        QUILLMER_FUZZ_CHECK(failure.line_number >= 1);
    } else if (failure.kind != CheckFailure::Kind::no_data_rows) {
        QUILLMER_FUZZ_CHECK(failure.line_number >= 1);
        QUILLMER_FUZZ_CHECK(failure.column == 2 || failure.column == 4);
        // An empty field is a blank channel, never a failure.
        QUILLMER_FUZZ_CHECK(!failure.text.empty());
    }
    const std::string message = quillmer::channels::describe(failure);
    QUILLMER_FUZZ_CHECK(!message.empty() && message.back() == '\n');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchFile scratch;
    QUILLMER_FUZZ_CHECK(scratch.write(data, size));
    MemoryFile file;
    QUILLMER_FUZZ_CHECK(file.open(scratch.path().c_str()));

    const std::optional<CheckFailure> failure = quillmer::channels::check_memory_file(file);
    if (failure) check_failure(*failure);

    // The transfer's reading: rows in order, channel n for the n-th; rows after
    // channel 399 are only counted.
    Reader reader(file);
    ChannelFrames frames;
    int rows = 0;
    while (reader.next_row()) {
        if (rows < kChannels) {
            quillmer::protocol::encode_channel(reader.row(), rows, frames);
            if (!failure) check_numbers(reader.raw(), frames);
        }
        ++rows;
    }
    QUILLMER_FUZZ_CHECK(!reader.next_row());
    // The check reads the same rows: it finds none exactly when there are none
    // (a zero byte is refused before the rows are looked at).
    const bool no_rows = failure && failure->kind == CheckFailure::Kind::no_data_rows;
    if (!failure || failure->kind != CheckFailure::Kind::zero_byte) {
        QUILLMER_FUZZ_CHECK((rows == 0) == no_rows);
    }
    return 0;
}
