#include "channels/other_layouts.h"

#include <algorithm>
#include <array>
#include <optional>

#include "channels/check_message.h"
#include "channels/csv_fields.h"
#include "channels/layout.h"
#include "channels/other_rows.h"
#include "channels/other_values.h"
#include "channels/warnings.h"
#include "core/text.h"

namespace quillmer::channels {

namespace {

std::string column_said(const Columns& c, int column) {
    return "column " + std::to_string(column + 1) + " (" +
           printable(c.names[static_cast<std::size_t>(column)]) + ")";
}

std::string read_as(const Source& src, char separator) {
    const Columns& c = src.columns;
    std::string line = "Read as ";
    switch (src.layout) {
        case OtherLayout::programmer_csv:
            line += "the multi-radio programmer's CSV";
            break;
        case OtherLayout::maker_export:
            line += "the radio maker's memory export";
            break;
        case OtherLayout::repeater_list:
            line += "the radio maker's repeater list";
            break;
        case OtherLayout::none:
            return {};
    }
    if (separator == ';') line += " written with ';' between columns and ',' in numbers";
    line += src.layout == OtherLayout::programmer_csv
                ? ": channel from " + column_said(c, c.location)
                : ": channels 0, 1, 2, ... in row order";
    line += ", frequency from " + column_said(c, c.frequency) + ", duplex from " +
            column_said(c, c.duplex) + ", offset from " + column_said(c, c.offset) +
            ", mode from " + column_said(c, c.mode) + ", name from " + column_said(c, c.name);
    if (src.layout == OtherLayout::repeater_list) {
        line += ", on DV rows UR CQCQCQ, RPT1 from " + column_said(c, c.repeater) +
                " and RPT2 from " + column_said(c, c.gateway);
    } else {
        const std::array<std::pair<const char*, int>, 3> calls{
            {{"UR", c.ur}, {"RPT1", c.rpt1}, {"RPT2", c.rpt2}}};
        for (const auto& [call, column] : calls) {
            if (column >= 0) line += std::string(", ") + call + " from " + column_said(c, column);
        }
    }
    return line + "; tones, step, skip, power and comments are not written.";
}

/// Channel numbers that share a note, and what the warning says of them.
struct NoteList {
    bool RowNotes::*note;
    const char* says;
    std::vector<int> channels{};
};

std::vector<NoteList> note_lists() {
    return {
        {&RowNotes::transmit_off,
         "marked transmit off (Duplex off), written as simplex: this radio has no such setting "
         "and can transmit there."},
        {&RowNotes::narrow_am, "narrow AM, written as AM, the only AM this radio has."},
        {&RowNotes::automatic, "mode Auto, written as AUTO: the radio chooses the mode."},
        {&RowNotes::name_replaced,
         "the name is not printable ASCII: the repeater's call sign stands in for it."},
        {&RowNotes::name_comma, "a comma in the name is written as a blank."},
        {&RowNotes::tone, ""},
    };
}

/// "Channel 4" or "Channels 4-6, 9".
std::string channels_said(const std::vector<int>& channels) {
    return (channels.size() == 1 ? "Channel " : "Channels ") + channel_ranges(channels);
}

std::string our_row(int number, const Channel& c) {
    return std::to_string(number) + "," + c.frequency + "," + c.duplex + "," + c.offset + ",," +
           c.mode + "," + c.name + ",,,,,,,,,," + c.ur + "," + c.rpt1 + "," + c.rpt2 + "\n";
}

constexpr std::string_view kOurHeader =
    "CH No,Frequency,Dup,Offset,TS,Mode,Name,,,,,,,,,,Your Call Sign,RPT1 Call Sign,"
    "RPT2 Call Sign\n";

/// The channel number a row of the multi-radio programmer's CSV goes to, or why
/// it has none.
std::optional<int> location(std::string_view text, const std::vector<int>& lines_of,
                            std::string& fault) {
    const std::string_view digits = text::trim(text);
    if (digits.empty() || digits.size() > 3 ||
        !std::all_of(digits.begin(), digits.end(), text::is_digit)) {
        fault = "Location " + quoted(text) + " is no channel number 0 to 399";
        return std::nullopt;
    }
    const int number = std::stoi(std::string(digits));
    if (number >= kMemoryChannels) {
        fault = "Location " + std::to_string(number) + " is past channel 399";
    } else if (lines_of[static_cast<std::size_t>(number)] != 0) {
        fault = "Location " + std::to_string(number) + " is already on line " +
                std::to_string(lines_of[static_cast<std::size_t>(number)]);
    } else {
        return number;
    }
    return std::nullopt;
}

/// The first field past the header's last column that holds anything but `0`.
std::optional<int> stray_column(const std::vector<std::string>& fields, int count) {
    for (auto i = static_cast<std::size_t>(count); i < fields.size(); ++i) {
        const std::string_view value = text::trim(fields[i]);
        if (!value.empty() && value != "0") return static_cast<int>(i);
    }
    return std::nullopt;
}

/// The rows of a file read so far.
struct RowsRead {
    std::vector<Channel> channels;
    std::vector<int> lines_of = std::vector<int>(kMemoryChannels, 0);  ///< each channel's row
    std::vector<NoteList> notes = note_lists();
    int rows = 0;
    int first_left_out = 0;  ///< the line of the first row past the radio's channels
};

/// A row that cannot be written: listed, and named in a warning when skipped.
void unwritable(OtherLayoutFile& out, int line_number, int channel, const std::string& fault,
                bool skip) {
    const std::string line = std::to_string(line_number);
    out.unwritable.push_back(
        {line_number, channel < 0 ? fault : "channel " + std::to_string(channel) + ": " + fault});
    if (!skip) return;
    out.warnings.push_back(channel < 0 ? "Line " + line + " is left out: " + fault + "."
                                       : "Channel " + std::to_string(channel) + " (line " + line +
                                             ") is erased: " + fault + ".");
}

/// A data row of the file into the channel it means.
void read_data_row(const Source& src, int line_number, const std::vector<std::string>& fields,
                   bool skip, RowsRead& read, OtherLayoutFile& out) {
    if (const auto stray = stray_column(fields, src.columns.count)) {
        out.column_fault = {line_number, "column " + std::to_string(*stray + 1) + " holds " +
                                             quoted(fields[static_cast<std::size_t>(*stray)]) +
                                             ", past the header's last column " +
                                             std::to_string(src.columns.count) +
                                             ": which column is which is unclear"};
        return;
    }
    int channel = read.rows++;
    if (src.layout == OtherLayout::programmer_csv) {
        std::string fault;
        const auto number = location(field(fields, src.columns.location), read.lines_of, fault);
        if (!number) return unwritable(out, line_number, -1, fault, skip);
        channel = *number;
    } else if (channel >= kMemoryChannels && read.first_left_out == 0) {
        read.first_left_out = line_number;
    }
    if (channel >= static_cast<int>(read.channels.size())) read.channels.resize(channel + 1);
    if (channel >= kMemoryChannels) return;  // past the radio: written as erased
    read.lines_of[static_cast<std::size_t>(channel)] = line_number;
    RowResult row = read_row(src, fields);
    if (!row.fault.empty()) return unwritable(out, line_number, channel, row.fault, skip);
    read.channels[static_cast<std::size_t>(channel)] = std::move(row.channel);
    for (NoteList& list : read.notes) {
        if (row.notes.*list.note) list.channels.push_back(channel);
    }
}

/// The warnings of the rows read, and the file in our own layout.
void finish(const RowsRead& read, OtherLayoutFile& out) {
    for (const NoteList& list : read.notes) {
        if (list.channels.empty()) continue;
        out.warnings.push_back(list.note == &RowNotes::tone
                                   ? tones_warning(list.channels, "")
                                   : channels_said(list.channels) + ": " + list.says);
    }
    if (read.first_left_out != 0) {
        out.warnings.push_back(
            "The file has " + std::to_string(read.rows) + " channel rows for the radio's " +
            std::to_string(kMemoryChannels) + " channels: the " +
            std::to_string(read.rows - kMemoryChannels) + " from line " +
            std::to_string(read.first_left_out) +
            " on are left out, and a run ends with status 9. To choose which are written, cut "
            "the file to the 400 you want.");
    }
    out.memory_file = kOurHeader;
    for (std::size_t n = 0; n < read.channels.size(); ++n) {
        out.memory_file += our_row(static_cast<int>(n), read.channels[n]);
    }
}

}  // namespace

LayoutHeader recognise_layout(std::string_view header_line) {
    for (const char separator : {',', ';'}) {
        const OtherLayout layout = layout_of(columns_of(header_line, separator));
        if (layout != OtherLayout::none) return {layout, separator};
    }
    return {};
}

OtherLayoutFile read_other_layout(std::span<const FileLine> lines, bool skip_unwritable) {
    OtherLayoutFile out;
    std::size_t i = 0;
    LayoutHeader header;
    for (; i < lines.size() && header.layout == OtherLayout::none; ++i) {
        if (!lines[i].text.empty() && text::is_digit(lines[i].text[0])) return out;
        header = recognise_layout(lines[i].text);
    }
    if (header.layout == OtherLayout::none) return out;
    const Source src{header.layout, columns_of(lines[i - 1].text, header.separator),
                     header.separator == ';'};
    out.layout = src.layout;
    out.fields_as_ours = header.separator == ',' && fields_as_ours(src.columns);
    out.read_as = read_as(src, header.separator);

    RowsRead read;
    for (; i < lines.size() && out.column_fault.line_number == 0; ++i) {
        if (lines[i].text.starts_with('#')) continue;
        const std::vector<std::string> fields = split_fields(lines[i].text, header.separator);
        // A spreadsheet's empty rows, separators alone, are no channels.
        if (std::any_of(fields.begin(), fields.end(),
                        [](const std::string& f) { return text::holds_text(f); })) {
            read_data_row(src, lines[i].number, fields, skip_unwritable, read, out);
        }
    }
    finish(read, out);
    return out;
}

std::optional<OtherLayoutFile> read_refused_by_header(const MemoryFile& file,
                                                      const std::vector<CheckFailure>& failures,
                                                      bool skip_unwritable) {
    using Kind = CheckFailure::Kind;
    const auto any = [&](auto&& is) { return std::any_of(failures.begin(), failures.end(), is); };
    if (failures.empty() || any([](const CheckFailure& f) {
            return f.kind == Kind::zero_byte || f.kind == Kind::carriage_returns ||
                   f.kind == Kind::too_large;
        })) {
        return std::nullopt;
    }
    OtherLayoutFile other = read_other_layout(file.lines(), skip_unwritable);
    const bool calls_elsewhere = any([](const CheckFailure& f) {
        return f.kind == Kind::header_column &&
               (f.column < column::kUr || f.column > column::kRpt2);
    });
    if (other.layout == OtherLayout::none || (other.fields_as_ours && !calls_elsewhere)) {
        return std::nullopt;
    }
    return other;
}

}  // namespace quillmer::channels
