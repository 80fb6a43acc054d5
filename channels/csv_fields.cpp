#include "channels/csv_fields.h"

#include "core/text.h"

namespace quillmer::channels {

std::vector<std::string> split_fields(std::string_view line, char separator) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    bool field_start = true;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        std::string& field = fields.back();
        if (quoted) {
            if (c != '"') {
                field += c;
            } else if (i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                quoted = false;
            }
            continue;
        }
        if (c == separator) {
            fields.emplace_back();
            field_start = true;
            continue;
        }
        if (c == '"' && field_start) {
            quoted = true;
        } else {
            field += c;
        }
        field_start = false;
    }
    return fields;
}

std::string name_key(std::string_view name) {
    std::string key;
    for (const char c : name) {
        if (c == ' ' || c == '\t' || c == '-' || c == '_' || c == '.' || c == '"') continue;
        key += text::to_lower(c);
    }
    return key;
}

}  // namespace quillmer::channels
