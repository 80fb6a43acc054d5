#include "channels/line_check.h"

#include <span>
#include <string_view>
#include <utility>

#include "channels/check.h"
#include "channels/columns.h"
#include "channels/layout.h"
#include "core/text.h"

namespace quillmer::channels {

namespace {

using Kind = CheckFailure::Kind;

bool starts_with_digit(std::string_view text) {
    return !text.empty() && text::is_digit(text.front());
}

/// The first read column (in the order the row is checked) whose field, as the
/// reader keeps it, differs between the whole line and its first piece; 0 when
/// none does.
int first_cut_column(std::string_view line, std::string_view piece) {
    for (const int column : column::kRead) {
        if (kept_field(line, column) != kept_field(piece, column)) return column;
    }
    return 0;
}

/// A line the reader takes in pieces, each read as a line of its own: a piece
/// that starts with a digit would be a row of its own, and the fields of a data
/// row past its first piece would be lost.
std::optional<CheckFailure> long_line_failure(const FileLine& line,
                                              std::span<const ReadLine> pieces) {
    if (pieces.size() < 2) return std::nullopt;
    const auto fail = [&](Kind kind, int column, std::string_view text) {
        CheckFailure failure = failure_at(kind, line.number, line.text, column, text);
        failure.line_length = static_cast<int>(line.text.size());
        return failure;
    };
    for (const ReadLine& piece : pieces.subspan(1)) {
        if (!starts_with_digit(piece.text)) continue;
        CheckFailure failure = fail(Kind::long_line_row, 0, line.text.substr(piece.start));
        failure.piece_start = static_cast<int>(piece.start) + 1;
        return failure;
    }
    if (!starts_with_digit(line.text)) return std::nullopt;
    if (const int column = first_cut_column(line.text, pieces.front().text)) {
        return fail(Kind::long_line_cut, column, column_text(line.text, column));
    }
    return std::nullopt;
}

/// A line that would be skipped although it was meant as a data row: blanks
/// before its number, or a quotation mark.
std::optional<CheckFailure> hidden_row_failure(std::string_view line, int line_number) {
    const std::size_t first = line.find_first_not_of(text::kBlanks);
    if (first != 0 && first != std::string_view::npos && text::is_digit(line[first])) {
        return failure_at(Kind::blank_before_row, line_number, line, CheckFailure::kWholeLine,
                          line);
    }
    if (line.size() > 1 && line[0] == '"' && text::is_digit(line[1])) {
        return failure_at(Kind::quoted_row, line_number, line, CheckFailure::kWholeLine, line);
    }
    return std::nullopt;
}

/// A line among or after the data rows that starts with no digit but holds a
/// frequency where a row holds it: a channel the user meant, which would be
/// skipped. A line that starts with '#' is left out on purpose.
std::optional<CheckFailure> unnumbered_row_failure(std::string_view line, int line_number) {
    const std::string_view start = text::trim(line);
    if (starts_with_digit(line) || start.starts_with('#')) return std::nullopt;
    if (!is_frequency(kept_field(line, column::kFrequency))) return std::nullopt;
    return failure_at(Kind::unnumbered_row, line_number, line, CheckFailure::kWholeLine, line);
}

}  // namespace

std::vector<CheckFailure> line_failures(const MemoryFile& file) {
    std::vector<CheckFailure> failures;
    const std::span<const ReadLine> pieces = file.read_lines();
    std::size_t next = 0;
    bool among_rows = false;
    for (const FileLine& line : file.lines()) {
        const std::size_t first = next;
        while (next < pieces.size() && pieces[next].number == line.number) ++next;
        among_rows = among_rows || starts_with_digit(line.text);
        auto failure = hidden_row_failure(line.text, line.number);
        if (!failure) failure = long_line_failure(line, pieces.subspan(first, next - first));
        if (!failure && among_rows) failure = unnumbered_row_failure(line.text, line.number);
        if (failure) failures.push_back(std::move(*failure));
    }
    return failures;
}

}  // namespace quillmer::channels
