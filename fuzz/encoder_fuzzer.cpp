// Fuzz target: the channel encoder on arbitrary channel rows, and the packed
// decimal conversion on arbitrary text.
//
// Input: two channel records, then text. A record is two bytes of channel number
// (little-endian, taken mod 400) and the characters of the row's fields in the
// order frequency (10), duplex (4), offset (8), mode (4), label (8), call fields 3,
// 2 and 1 (8 each); every field keeps its terminating zero, as the reader leaves
// it, and a short input reads as zeros. Whatever follows the two records is the
// text for decimal_to_packed.
//
// The input takes its field widths and channel range from the program's layout;
// what the frame must then hold (the mode and duplex codes, the fixed bytes,
// the counter the front end shows) is written out here on purpose, to hold the encoder against.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "app/progress_printer.h"
#include "channels/layout.h"
#include "core/text.h"
#include "fuzz/fuzz_check.h"
#include "protocol/encoder.h"
#include "protocol/frames.h"

namespace {

namespace text = quillmer::text;
using quillmer::app::channel_counter;
using quillmer::channels::ChannelRow;
using quillmer::channels::kMemoryChannels;
using quillmer::channels::kNameChars;
using quillmer::protocol::Byte;
using quillmer::protocol::ChannelFrames;
using quillmer::protocol::decimal_to_packed;
using quillmer::protocol::encode_channel;
using quillmer::protocol::ERASE_FRAME_TEMPLATE;
using quillmer::protocol::PackedNumber;
using quillmer::protocol::WRITE_FRAME_TEMPLATE;
namespace write_at = quillmer::protocol::write_at;
namespace erase_at = quillmer::protocol::erase_at;

/// Takes bytes from the input in order; zeros once it is used up.
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
    /// What has not been taken yet.
    std::string_view rest() const {
        if (at_ >= size_) return {};
        return {reinterpret_cast<const char*>(data_ + at_), size_ - at_};
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

template <std::size_t Size>
void fill_field(Input& in, std::array<char, Size>& field) {
    for (std::size_t i = 0; i + 1 < Size; ++i) field[i] = static_cast<char>(in.next());
    field[Size - 1] = '\0';
}

struct Record {
    int channel = 0;
    ChannelRow row;
};

Record take_record(Input& in) {
    Record record;
    const int low = in.next();
    record.channel = (low | (in.next() << 8)) % kMemoryChannels;
    ChannelRow& row = record.row;
    fill_field(in, row.frequency);
    fill_field(in, row.duplex);
    fill_field(in, row.offset);
    fill_field(in, row.mode);
    fill_field(in, row.label);
    fill_field(in, row.ur);
    fill_field(in, row.rpt1);
    fill_field(in, row.rpt2);
    return record;
}

/// The bytes the encoder never touches: the frame's head, the fixed block after
/// the offset, the bytes around the text fields and the end byte; and every byte
/// of the erase frame but the channel.
void check_fixed_bytes(const ChannelFrames& frames) {
    const auto& w = frames.write;
    const auto& t = WRITE_FRAME_TEMPLATE;
    const auto same = [&](std::size_t from, std::size_t to) {
        return std::equal(w.begin() + from, w.begin() + to + 1, t.begin() + from);
    };
    QUILLMER_FUZZ_CHECK(same(0, 6));
    QUILLMER_FUZZ_CHECK(same(18, 26));
    QUILLMER_FUZZ_CHECK(same(29, 31));
    QUILLMER_FUZZ_CHECK(same(40, 41));
    QUILLMER_FUZZ_CHECK(same(66, 66));
    for (std::size_t i = 0; i < frames.erase.size(); ++i) {
        if (i == erase_at::kChannelHundreds || i == erase_at::kChannelTensUnits) continue;
        QUILLMER_FUZZ_CHECK(frames.erase[i] == ERASE_FRAME_TEMPLATE[i]);
    }
}

bool name_is(const ChannelFrames& frames, std::size_t at, const ChannelRow::Name& name) {
    return std::equal(name.begin(), name.begin() + kNameChars, frames.write.begin() + at,
                      [](char c, Byte b) { return static_cast<Byte>(c) == b; });
}

void check_encoding(const Record& record, const ChannelFrames& frames, const std::string& shown) {
    const int n = record.channel;
    const ChannelRow& row = record.row;
    const auto& w = frames.write;

    // Channel 123 is sent as 01 23 and shown as ch:0123.
    const auto hundreds = static_cast<Byte>(n / 100);
    const auto tens_units = static_cast<Byte>((n / 10 % 10) << 4 | n % 10);
    QUILLMER_FUZZ_CHECK(w[write_at::kChannelHundreds] == hundreds);
    QUILLMER_FUZZ_CHECK(w[write_at::kChannelTensUnits] == tens_units);
    QUILLMER_FUZZ_CHECK(frames.erase[erase_at::kChannelHundreds] == hundreds);
    QUILLMER_FUZZ_CHECK(frames.erase[erase_at::kChannelTensUnits] == tens_units);
    std::array<char, 16> counter{};
    std::snprintf(counter.data(), counter.size(), "ch:%04d\r", n);
    QUILLMER_FUZZ_CHECK(shown == counter.data());

    // The numbers sit where the frame layout says, least significant byte first.
    const PackedNumber frequency = decimal_to_packed(row.frequency.data());
    QUILLMER_FUZZ_CHECK(w[write_at::kFrequency + 4] == ((frequency.integer >> 8) & 0xFF));
    QUILLMER_FUZZ_CHECK(w[write_at::kFrequency + 3] == (frequency.integer & 0xFF));
    QUILLMER_FUZZ_CHECK(w[write_at::kFrequency + 2] == frequency.fraction[0]);
    QUILLMER_FUZZ_CHECK(w[write_at::kFrequency + 1] == frequency.fraction[1]);
    QUILLMER_FUZZ_CHECK(w[write_at::kFrequency] == frequency.fraction[2]);
    const PackedNumber offset = decimal_to_packed(row.offset.data());
    QUILLMER_FUZZ_CHECK(w[write_at::kOffset + 3] == (offset.integer & 0xFF));
    QUILLMER_FUZZ_CHECK(w[write_at::kOffset + 2] == offset.fraction[0]);
    QUILLMER_FUZZ_CHECK(w[write_at::kOffset + 1] == offset.fraction[1]);
    QUILLMER_FUZZ_CHECK(w[write_at::kOffset] == offset.fraction[2]);

    const std::string_view mode = row.mode.data();
    const Byte expected_mode = mode.starts_with("AUTO")   ? 0x5E
                               : mode.starts_with("DV")   ? 0x4E
                               : mode.starts_with("AM")   ? 0x3E
                               : mode.starts_with("FM-N") ? 0x1E
                                                          : 0x0E;
    QUILLMER_FUZZ_CHECK(w[write_at::kMode] == expected_mode);

    const std::string_view duplex = row.duplex.data();
    const char sign = duplex.size() >= 4 ? duplex[3] : '\0';
    QUILLMER_FUZZ_CHECK(w[write_at::kDuplex] == (sign == '+' ? 2 : sign == '-' ? 1 : 0));

    if (row.label[0] == ' ') {
        // No label: all four text fields are blank, whatever the call fields hold.
        QUILLMER_FUZZ_CHECK(std::all_of(w.begin() + write_at::kLabel,
                                        w.begin() + write_at::kLabel + kNameChars,
                                        [](Byte b) { return b == ' '; }));
        QUILLMER_FUZZ_CHECK(std::all_of(w.begin() + write_at::kCall1,
                                        w.begin() + write_at::kCall3 + kNameChars,
                                        [](Byte b) { return b == ' '; }));
    } else {
        QUILLMER_FUZZ_CHECK(name_is(frames, write_at::kLabel, row.label));
        QUILLMER_FUZZ_CHECK(name_is(frames, write_at::kCall1, row.rpt2));
        QUILLMER_FUZZ_CHECK(name_is(frames, write_at::kCall2, row.rpt1));
        QUILLMER_FUZZ_CHECK(name_is(frames, write_at::kCall3, row.ur));
    }
    check_fixed_bytes(frames);
}

/// Properties of the conversion that hold for any text.
void check_packed(std::string_view text) {
    const PackedNumber number = decimal_to_packed(text);
    const std::size_t point = text.find('.');
    if (point == std::string_view::npos) {
        QUILLMER_FUZZ_CHECK(number.fraction == (std::array<std::uint8_t, 3>{}));
    } else {
        // Only the first six fraction digits count.
        const std::size_t used = point + 1 + 6;
        if (text.size() > used) {
            const PackedNumber cut = decimal_to_packed(text.substr(0, used));
            QUILLMER_FUZZ_CHECK(cut.integer == number.integer && cut.fraction == number.fraction);
        }
    }
    // Up to eight decimal digits read as the same digits in hexadecimal.
    const std::string_view integer = text.substr(0, std::min(point, text.size()));
    if (integer.size() <= 8 && std::all_of(integer.begin(), integer.end(), text::is_digit)) {
        std::array<char, 16> hex{};
        std::snprintf(hex.data(), hex.size(), "%0*x", static_cast<int>(integer.size()),
                      static_cast<unsigned>(number.integer));
        QUILLMER_FUZZ_CHECK(integer.empty() ? number.integer == 0 : integer == hex.data());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const Record first = take_record(in);
    const Record second = take_record(in);

    ChannelFrames used;
    encode_channel(first.row, first.channel, used);
    check_encoding(first, used, channel_counter(first.channel).data());

    // The encoder fills the same two frames for every channel: nothing of the
    // previous channel may stay behind.
    encode_channel(second.row, second.channel, used);
    check_encoding(second, used, channel_counter(second.channel).data());
    ChannelFrames fresh;
    encode_channel(second.row, second.channel, fresh);
    QUILLMER_FUZZ_CHECK(used.write == fresh.write);
    QUILLMER_FUZZ_CHECK(used.erase == fresh.erase);

    check_packed(in.rest());
    return 0;
}
