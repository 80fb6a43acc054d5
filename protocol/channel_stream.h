#pragma once
// The channels a run sends, 0 to 399 in order: each from the memory file's next
// data row, as a write frame, or as an erase frame for a row without a
// frequency and for every channel after the file's last row.

#include <span>

#include "channels/layout.h"
#include "channels/reader.h"
#include "protocol/frames.h"

namespace quillmer::protocol {

/// Encodes the row for channel 0..399 and gives the frame a run sends for it:
/// the erase frame for a row without a frequency, the write frame otherwise.
std::span<const Byte> frame_to_send(const channels::ChannelRow& row, int channel,
                                    ChannelFrames& frames);

/// The transfer and the preview both take their frames here, so the preview
/// shows what a run writes.
class ChannelStream {
  public:
    ChannelStream(channels::Reader& reader, ChannelFrames& frames)
        : reader_(reader), frames_(frames) {}

    /// The channel next() gives: 0 first, kMemoryChannels once all are given.
    int next_channel() const { return next_channel_; }
    bool all_given() const { return next_channel_ >= channels::kMemoryChannels; }

    /// Reads the next data row unless the rows have ended (the last row then
    /// stays), encodes it for next_channel() and gives the frame to send. Only
    /// while !all_given().
    std::span<const Byte> next();

    /// After the last channel: reads one more data row, true when there was one
    /// (the file holds more rows than the radio has channels).
    bool more_rows();

    /// The data rows read so far.
    int rows_read() const { return rows_read_; }

  private:
    channels::Reader& reader_;
    ChannelFrames& frames_;
    int next_channel_ = 0;
    int rows_read_ = 0;
    bool rows_ended_ = false;
};

}  // namespace quillmer::protocol
