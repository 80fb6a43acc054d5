#include "channels/other_rows.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>

#include "channels/csv_fields.h"
#include "channels/layout.h"
#include "channels/other_values.h"
#include "core/text.h"

namespace quillmer::channels {

namespace {

constexpr std::int64_t kMaxFrequencyHz = 10'000'000'000;  // four digits of megahertz
constexpr std::int64_t kMaxOffsetHz = 100'000'000;        // two digits of megahertz

/// The duplex, offset and direction of a row with the receive frequency `hz`.
std::string read_shift(const Source& src, const std::vector<std::string>& fields, std::int64_t hz,
                       Channel& ch, RowNotes& notes) {
    const std::string_view duplex = field(fields, src.columns.duplex);
    const std::string_view offset_text = field(fields, src.columns.offset);
    const DuplexWord word = duplex_word(duplex, src.layout == OtherLayout::programmer_csv);
    std::int64_t offset = 0;
    switch (word) {
        case DuplexWord::unknown:
            return "duplex " + quoted(duplex) + " is none of +, -, split and off";
        case DuplexWord::transmit_off:
            notes.transmit_off = true;
            [[fallthrough]];
        case DuplexWord::simplex:
            break;
        case DuplexWord::plus:
        case DuplexWord::minus: {
            const Megahertz read = read_megahertz(offset_text, src.decimal_comma);
            if (!read.fault.empty()) return "offset " + read.fault;
            offset = read.hertz;
            ch.duplex = word == DuplexWord::plus ? "DUP+" : "DUP-";
            break;
        }
        case DuplexWord::split: {
            const Megahertz transmit = read_megahertz(offset_text, src.decimal_comma);
            if (!transmit.fault.empty()) return "transmit frequency " + transmit.fault;
            offset = transmit.hertz > hz ? transmit.hertz - hz : hz - transmit.hertz;
            if (offset >= kMaxOffsetHz) {
                return "split to transmit on " + megahertz_text(transmit.hertz, 20) +
                       " MHz: 100 MHz or more from receive, which the radio cannot shift";
            }
            if (offset != 0) ch.duplex = transmit.hertz > hz ? "DUP+" : "DUP-";
            break;
        }
    }
    if (offset >= kMaxOffsetHz) {
        return "offset " + std::string(text::trim(offset_text)) + " MHz: the radio's is under 100";
    }
    ch.offset = megahertz_text(offset, kOffsetChars);
    if (ch.offset.empty()) {
        return "offset " + megahertz_text(offset, 20) + " MHz has more decimals than 8 characters";
    }
    return {};
}

/// The name as written: its first characters up to what a field keeps, commas
/// as blanks (our file has no quoting). The repeater list's call stands in for
/// a name the radio cannot show.
std::string read_name(const Source& src, const std::vector<std::string>& fields, Channel& ch,
                      RowNotes& notes) {
    std::string name(field(fields, src.columns.name));
    const auto shows = [](std::string_view s) {
        s = s.substr(0, kNameChars);
        return std::all_of(s.begin(), s.end(), text::is_printable);
    };
    if (!shows(name) && src.layout == OtherLayout::repeater_list) {
        name = text::trim(field(fields, src.columns.repeater).substr(0, kNameChars));
        notes.name_replaced = true;
    }
    if (!shows(name)) return "name " + quoted(name) + " is not printable ASCII";
    if (name.starts_with('"')) return "name " + quoted(name) + " starts with a quotation mark";
    name = name.substr(0, kFieldChars);
    const auto odd = std::find_if_not(name.begin(), name.end(), text::is_printable);
    name.erase(odd, name.end());
    for (char& c : name) {
        if (c != ',') continue;
        c = ' ';
        notes.name_comma = true;
    }
    ch.name = text::trim_end(name);
    return {};
}

/// The call signs: the file's own columns, or the repeater list's repeater.
std::string read_calls(const Source& src, const std::vector<std::string>& fields, Channel& ch) {
    const Columns& c = src.columns;
    std::array<std::string_view, 3> given{field(fields, c.ur), field(fields, c.rpt1),
                                          field(fields, c.rpt2)};
    if (src.layout == OtherLayout::repeater_list) {
        given = {};
        if (ch.mode == "DV") given[0] = "CQCQCQ";
        if (ch.mode == "DV" && !ch.duplex.empty()) {
            given[1] = field(fields, c.repeater);
            given[2] = field(fields, c.gateway);
        }
    }
    const std::array<std::string*, 3> out{&ch.ur, &ch.rpt1, &ch.rpt2};
    for (std::size_t i = 0; i < given.size(); ++i) {
        CallSign call = call_sign(given[i]);
        if (!call.fault.empty()) return call.fault;
        *out[i] = std::move(call.text);
    }
    return {};
}

}  // namespace

Columns columns_of(std::string_view header, char separator) {
    Columns c;
    const std::vector<std::string> fields = split_fields(header, separator);
    std::vector<std::string> keys;
    for (const std::string& field : fields) {
        c.names.emplace_back(text::trim(field));
        keys.push_back(name_key(field));
        if (!keys.back().empty()) c.count = static_cast<int>(keys.size());
    }
    const auto find = [&](std::initializer_list<std::string_view> words) {
        for (std::size_t i = 0; i < keys.size(); ++i) {
            for (const std::string_view word : words) {
                if (keys[i] == word) return static_cast<int>(i);
            }
        }
        return -1;
    };
    c.location = find({"location"});
    c.ch_no = find({"chno", "ch"});
    c.frequency = find({"frequency"});
    c.duplex = find({"dup", "duplex"});
    c.offset = find({"offset"});
    c.mode = find({"mode"});
    c.name = find({"name"});
    c.ur = find({"yourcallsign", "urcall"});
    c.rpt1 = find({"rpt1callsign", "rpt1call"});
    c.rpt2 = find({"rpt2callsign", "rpt2call"});
    c.repeater = find({"repeatercallsign"});
    c.gateway = find({"gatewaycallsign"});
    c.tone = find({"tone"});
    return c;
}

bool fields_as_ours(const Columns& c) {
    return c.frequency + 1 == column::kFrequency && c.duplex + 1 == column::kDuplex &&
           c.offset + 1 == column::kOffset && c.mode + 1 == column::kMode &&
           c.name + 1 == column::kLabel;
}

OtherLayout layout_of(const Columns& c) {
    const bool channel_fields =
        c.frequency >= 0 && c.duplex >= 0 && c.offset >= 0 && c.mode >= 0 && c.name >= 0;
    if (!channel_fields) return OtherLayout::none;
    if (c.repeater >= 0 && c.gateway >= 0) return OtherLayout::repeater_list;
    if (c.location >= 0) return OtherLayout::programmer_csv;
    if (c.ch_no >= 0) return OtherLayout::maker_export;
    return OtherLayout::none;
}

std::string_view field(const std::vector<std::string>& fields, int column) {
    if (column < 0 || static_cast<std::size_t>(column) >= fields.size()) return {};
    return fields[static_cast<std::size_t>(column)];
}

RowResult read_row(const Source& src, const std::vector<std::string>& fields) {
    RowResult r;
    const std::string_view frequency = field(fields, src.columns.frequency);
    if (!text::holds_text(frequency)) return r;  // an erased channel
    const Megahertz rx = read_megahertz(frequency, src.decimal_comma);
    if (!rx.fault.empty()) {
        r.fault = "frequency " + rx.fault;
        return r;
    }
    r.channel.frequency = megahertz_text(rx.hertz, kFrequencyChars);
    if (rx.hertz == 0 || rx.hertz >= kMaxFrequencyHz || r.channel.frequency.empty()) {
        r.fault = "frequency " + std::string(text::trim(frequency)) +
                  " MHz is none a channel holds (above 0, up to 9999.99999)";
        return r;
    }
    const std::string_view mode = field(fields, src.columns.mode);
    const ModeWord word = mode_word(mode);
    if (word.mode.empty()) {
        r.fault = "mode " + quoted(mode) + ": this radio has FM, FM-N, AM, DV and AUTO";
        return r;
    }
    r.channel.mode = word.mode;
    r.notes.narrow_am = word.note == ModeWord::Note::narrow_am;
    r.notes.automatic = word.note == ModeWord::Note::automatic;
    r.fault = read_shift(src, fields, rx.hertz, r.channel, r.notes);
    if (r.fault.empty()) r.fault = read_name(src, fields, r.channel, r.notes);
    if (r.fault.empty()) r.fault = read_calls(src, fields, r.channel);
    const std::string_view tone = text::trim(field(fields, src.columns.tone));
    r.notes.tone = !tone.empty() && !text::equals_ignoring_case(tone, "OFF");
    return r;
}

}  // namespace quillmer::channels
