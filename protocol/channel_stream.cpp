#include "protocol/channel_stream.h"

#include "protocol/encoder.h"

namespace quillmer::protocol {

std::span<const Byte> frame_to_send(const channels::ChannelRow& row, int channel,
                                    ChannelFrames& frames) {
    encode_channel(row, channel, frames);
    if (channels::frequency_is_empty(row)) return frames.erase;
    return frames.write;
}

std::span<const Byte> ChannelStream::next() {
    const bool row_read = more_rows();
    const std::span<const Byte> frame = frame_to_send(reader_.row(), next_channel_++, frames_);
    // After the file's last row the radio's remaining channels are erased, so
    // its memory matches the file.
    return row_read ? frame : frames_.erase;
}

bool ChannelStream::more_rows() {
    if (rows_ended_) return false;
    rows_ended_ = !reader_.next_row();
    if (rows_ended_) return false;
    ++rows_read_;
    return true;
}

}  // namespace quillmer::protocol
