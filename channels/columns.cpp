#include "channels/columns.h"

#include "core/text.h"

namespace quillmer::channels {

std::string_view split_part(std::string_view line) {
    return line.substr(0, line.find_first_of(std::string_view("\n\0", 2)));
}

std::string_view column_text(std::string_view line, int column) {
    line = split_part(line);
    for (int c = 1; c < column; ++c) {
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos) return {};
        line.remove_prefix(comma + 1);
    }
    return line.substr(0, line.find(','));
}

int columns_used(std::string_view line) {
    line = split_part(line);
    int columns = 0;
    for (int column = 1;; ++column) {
        const std::size_t comma = line.find(',');
        if (text::holds_text(line.substr(0, comma))) columns = column;
        if (comma == std::string_view::npos) return columns;
        line.remove_prefix(comma + 1);
    }
}

}  // namespace quillmer::channels
