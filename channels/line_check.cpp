#include "channels/line_check.h"

#include <string>
#include <string_view>

#include "channels/check.h"
#include "channels/layout.h"

namespace quillmer::channels {

namespace {

using Kind = CheckFailure::Kind;

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

/// The first kept column (in the order the row is checked) whose field, as
/// the reader keeps it (19 characters), differs between the whole line and its
/// first piece; 0 when none does.
int first_cut_column(std::string_view line, std::string_view piece) {
    for (const int column : {column::kFrequency, column::kDuplex, column::kOffset, column::kMode,
                             column::kLabel, column::kCall3, column::kCall2, column::kCall1}) {
        if (column_text(line, column).substr(0, kFieldChars) !=
            column_text(piece, column).substr(0, kFieldChars)) {
            return column;
        }
    }
    return 0;
}

/// A line the reader takes in pieces of kLineChars characters, each read as a
/// line of its own: a piece that starts with a digit would be a row of its own,
/// and the fields of a data row past its first piece would be lost.
std::optional<CheckFailure> long_line_failure(std::string_view line, int line_number) {
    if (line.size() < kLineChars) return std::nullopt;
    const auto fail = [&](Kind kind, int column, std::string_view text) {
        CheckFailure failure = failure_at(kind, line_number, line, column, text);
        failure.line_length = static_cast<int>(line.size());
        return failure;
    };
    for (std::size_t start = kLineChars; start < line.size(); start += kLineChars) {
        if (!is_digit(line[start])) continue;
        CheckFailure failure = fail(Kind::long_line_row, 0, line.substr(start));
        failure.piece_start = static_cast<int>(start) + 1;
        return failure;
    }
    if (!is_digit(line[0])) return std::nullopt;
    if (const int column = first_cut_column(line, line.substr(0, kLineChars))) {
        return fail(Kind::long_line_cut, column, column_text(line, column));
    }
    return std::nullopt;
}

/// A line that would be skipped although it was meant as a data row: blanks
/// before its number, or a quotation mark.
std::optional<CheckFailure> hidden_row_failure(std::string_view line, int line_number) {
    const std::size_t first = line.find_first_not_of(" \t");
    if (first != 0 && first != std::string_view::npos && is_digit(line[first])) {
        return failure_at(Kind::blank_before_row, line_number, line, CheckFailure::kWholeLine,
                          line);
    }
    if (line.size() > 1 && line[0] == '"' && is_digit(line[1])) {
        return failure_at(Kind::quoted_row, line_number, line, CheckFailure::kWholeLine, line);
    }
    return std::nullopt;
}

}  // namespace

LineScan scan_lines(TextFile& file) {
    LineScan scan;
    file.rewind();
    int line_number = 1;
    int line_feeds = 0;
    int lone_carriage_return_line = 0;
    std::string line;
    const auto line_ends = [&] {
        if (!scan.line_failure) scan.line_failure = hidden_row_failure(line, line_number);
        if (!scan.line_failure) scan.line_failure = long_line_failure(line, line_number);
        line.clear();
        ++line_number;
    };
    for (int c = file.get(); c != EOF; c = file.get()) {
        if (lone_carriage_return_line == 0 && file.lone_carriage_returns() > 0) {
            lone_carriage_return_line = line_number;
        }
        const char ch = static_cast<char>(c);
        if (ch == '\0') {
            scan.zero_byte_line = line_number;
            break;
        }
        if (ch == '\n') {
            ++line_feeds;
            line_ends();
            continue;
        }
        line += ch;
    }
    if (scan.zero_byte_line == 0) line_ends();
    // A stray one inside a field is dropped harmlessly; a file whose lines end
    // in them has more of them than line feeds.
    if (file.lone_carriage_returns() > line_feeds) {
        scan.carriage_returns =
            failure_at(Kind::carriage_returns, lone_carriage_return_line, "", 0, "");
    }
    file.rewind();
    return scan;
}

}  // namespace quillmer::channels
