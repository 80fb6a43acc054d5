#include "tests/e2e/memory_model.h"

#include <sstream>

namespace quillmer::e2e {

namespace {

constexpr std::size_t kLongestModelledLine = 198;

std::string kept(const std::vector<std::string>& columns, std::size_t column, std::size_t width) {
    if (column - 1 >= columns.size()) return {};
    return columns[column - 1].substr(0, width);
}

std::string name_field(const std::vector<std::string>& columns, std::size_t column) {
    std::string name = kept(columns, column, 8);
    name.resize(8, ' ');
    return name;
}

std::uint8_t mode_code(const std::string& mode) {
    if (mode == "AUTO") return sim::kModeAuto;
    if (mode.starts_with("DV")) return sim::kModeDv;
    if (mode.starts_with("AM")) return sim::kModeAm;
    if (mode == "FM-N") return sim::kModeFmNarrow;
    return sim::kModeFm;
}

std::uint8_t duplex_code(const std::string& duplex) {
    if (duplex.size() < 4) return sim::kDuplexNone;
    if (duplex[3] == '+') return sim::kDuplexPlus;
    if (duplex[3] == '-') return sim::kDuplexMinus;
    return sim::kDuplexNone;
}

std::vector<std::string> split_columns(std::string_view line) {
    std::vector<std::string> columns;
    for (;;) {
        const std::size_t comma = line.find(',');
        columns.emplace_back(line.substr(0, comma));
        if (comma == std::string_view::npos) return columns;
        line.remove_prefix(comma + 1);
    }
}

}  // namespace

std::vector<DataRow> data_rows(std::string_view file_text) {
    std::string text;
    for (char c : file_text) {
        if (c == '\x1a') break;
        if (c != '\r') text.push_back(c);
    }
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);

    std::vector<DataRow> rows;
    std::string_view rest = text;
    for (int line = 1; !rest.empty(); ++line) {
        const std::size_t end = rest.find('\n');
        const std::string_view content = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        EXPECT_LE(content.size(), kLongestModelledLine) << "line " << line << " is too long";
        if (content.empty() || content[0] < '0' || content[0] > '9') continue;
        rows.push_back(DataRow{line, split_columns(content)});
    }
    return rows;
}

std::uint64_t parse_mhz(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    std::string fraction(point == std::string_view::npos ? "" : text.substr(point + 1));
    fraction.resize(6, '0');  // down to hertz; further digits are below a hertz
    std::uint64_t hz = 0;
    for (char c : std::string(whole) + fraction) {
        if (c < '0' || c > '9') {
            ADD_FAILURE() << "not a plain decimal number: \"" << text << "\"";
            return 0;
        }
        hz = hz * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return hz;
}

std::vector<ExpectedChannel> expected_channels(std::string_view file_text) {
    std::vector<ExpectedChannel> channels(sim::kChannelCount);
    const std::vector<DataRow> rows = data_rows(file_text);
    for (std::size_t n = 0; n < channels.size() && n < rows.size(); ++n) {
        const auto& columns = rows[n].columns;
        ExpectedChannel& channel = channels[n];
        channel.line = rows[n].line;
        const std::string frequency = kept(columns, 2, 10);
        if (frequency.empty()) continue;
        channel.erased = false;
        channel.frequency_hz = parse_mhz(frequency);
        channel.offset_hz = static_cast<std::uint32_t>(parse_mhz(kept(columns, 4, 8)));
        channel.mode = mode_code(kept(columns, 6, 4));
        channel.duplex = duplex_code(kept(columns, 3, 4));
        channel.label = name_field(columns, 7);
        if (channel.label[0] != ' ') {
            channel.call1 = name_field(columns, 19);
            channel.call2 = name_field(columns, 18);
            channel.call3 = name_field(columns, 17);
        } else {
            channel.label = "        ";
        }
    }
    return channels;
}

testing::AssertionResult memory_matches(const sim::MemoryImage& image,
                                        const std::vector<ExpectedChannel>& expected) {
    std::ostringstream faults;
    int wrong = 0;
    for (std::size_t n = 0; n < image.size() && n < expected.size(); ++n) {
        const sim::Slot& slot = image[n];
        const ExpectedChannel& want = expected[n];
        std::ostringstream fault;
        if (want.erased) {
            if (slot.state != sim::SlotState::erased) fault << " should be erased";
        } else if (slot.state != sim::SlotState::written) {
            fault << " should be written";
        } else {
            const sim::ChannelFields got = sim::decode_write_frame(slot.frame);
            const auto differ = [&](const char* what, const auto& have, const auto& should) {
                if (have != should) fault << " " << what << " " << have << " not " << should << ";";
            };
            differ("channel", got.channel, static_cast<int>(n));
            differ("frequency Hz", got.frequency_hz, want.frequency_hz);
            differ("offset Hz", got.offset_hz, want.offset_hz);
            differ("mode", int{got.mode}, int{want.mode});
            differ("duplex", int{got.duplex}, int{want.duplex});
            differ("name", "[" + got.label + "]", "[" + want.label + "]");
            differ("call 1", "[" + got.call1 + "]", "[" + want.call1 + "]");
            differ("call 2", "[" + got.call2 + "]", "[" + want.call2 + "]");
            differ("call 3", "[" + got.call3 + "]", "[" + want.call3 + "]");
            if (!got.packed_ok) fault << " a packed digit above 9;";
        }
        if (!fault.str().empty()) {
            if (++wrong <= 10)
                faults << "\n  channel " << n << " (line " << want.line << "):" << fault.str();
        }
    }
    if (wrong == 0) return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << wrong << " channel(s) differ from the memory file:" << faults.str();
}

}  // namespace quillmer::e2e
