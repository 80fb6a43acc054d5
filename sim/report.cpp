#include "sim/report.h"

#include <cstdio>

namespace quillmer::sim {
namespace {

std::string channel_detail(const ReceivedFrame& frame) {
    const auto body_at = preamble_length(frame.bytes);
    if (frame.kind == FrameKind::erase) {
        return " ch " +
               std::to_string(channel_number(frame.bytes[body_at + 5], frame.bytes[body_at + 6]));
    }
    const auto normal = normalised_write_frame(frame.bytes);
    if (!normal) return {};
    const ChannelFields fields = decode_write_frame(*normal);
    std::string text = " ch " + std::to_string(fields.channel) + " " +
                       format_mhz(fields.frequency_hz) + " MHz " +
                       std::string(mode_name(fields.mode));
    if (fields.duplex != kDuplexNone) {
        text += " " + std::string(duplex_name(fields.duplex)) + " " + format_mhz(fields.offset_hz);
    }
    return text + " '" + printable(fields.label) + "'";
}

std::string fault_detail(const ReceivedFrame& frame) {
    if (frame.exact) return {};
    if (frame.kind == FrameKind::write) {
        std::string offsets;
        for (const std::size_t at : fixed_byte_faults(frame.bytes)) {
            offsets += (offsets.empty() ? "" : ",") + std::to_string(at);
        }
        return " NOT AS LISTED at offsets " + offsets;
    }
    if (frame.bytes.size() <= 80) return " NOT AS LISTED: " + hex(frame.bytes);
    return " NOT AS LISTED (" + std::to_string(preamble_length(frame.bytes)) + " FE in front)";
}

}  // namespace

std::string describe_frame(const ReceivedFrame& frame, int radio_speed) {
    std::string line = "heard " + frame_name(frame.bytes) + " (" +
                       std::to_string(frame.bytes.size()) + " bytes) at " +
                       std::to_string(frame.speed) + " bit/s";
    if (frame.kind == FrameKind::write || frame.kind == FrameKind::erase) {
        line += channel_detail(frame);
    }
    if (frame.garbled) {
        line += ": garbled, the radio listens at " + std::to_string(radio_speed) + " bit/s";
    }
    return line + fault_detail(frame);
}

std::string printable(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte <= 0x7E) {
            out += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(byte));
            out += escaped;
        }
    }
    return out;
}

std::string channel_ranges(const std::vector<int>& channels) {
    if (channels.empty()) return "none";
    std::string text;
    std::size_t i = 0;
    while (i < channels.size()) {
        std::size_t j = i;
        while (j + 1 < channels.size() && channels[j + 1] == channels[j] + 1) ++j;
        if (!text.empty()) text += ", ";
        text += std::to_string(channels[i]);
        if (j > i) text += "-" + std::to_string(channels[j]);
        i = j + 1;
    }
    return text;
}

std::string image_table(const MemoryImage& image) {
    std::string table =
        " CH  FREQUENCY    DUP   OFFSET      MODE  NAME      CALL 1    CALL 2    CALL 3\n";
    std::vector<int> erased;
    std::vector<int> unwritten;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const Slot& slot = image[static_cast<std::size_t>(ch)];
        if (slot.state == SlotState::erased) erased.push_back(ch);
        if (slot.state == SlotState::unwritten) unwritten.push_back(ch);
        if (slot.state != SlotState::written) continue;
        const ChannelFields f = decode_write_frame(slot.frame);
        char row[320];
        std::snprintf(row, sizeof row, "%3d  %-11s  %-4s  %-10s  %-4s  %-8s  %-8s  %-8s  %s\n", ch,
                      format_mhz(f.frequency_hz).c_str(),
                      std::string(duplex_name(f.duplex)).c_str(), format_mhz(f.offset_hz).c_str(),
                      std::string(mode_name(f.mode)).c_str(), printable(f.label).c_str(),
                      printable(f.call1).c_str(), printable(f.call2).c_str(),
                      printable(f.call3).c_str());
        table += row;
    }
    table += "written: " + std::to_string(count_slots(image, SlotState::written)) +
             ", erased: " + channel_ranges(erased) +
             ", never written: " + channel_ranges(unwritten) + "\n";
    return table;
}

}  // namespace quillmer::sim
