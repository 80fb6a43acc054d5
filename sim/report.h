#pragma once
// Readable text about what the radio heard and holds: one line per event for the
// log, and the memory image as a table.

#include <string>

#include "sim/memory_image.h"
#include "sim/snapshot.h"

namespace quillmer::sim {

/// One line about a received frame: its name, size and speed; for a channel
/// frame the channel and contents; what made it garbled or not exact.
/// `radio_speed` is the speed the radio listened at when it arrived.
std::string describe_frame(const ReceivedFrame& frame, int radio_speed);

/// The text fields of a frame as printable text: bytes outside ASCII 20..7E as \xNN.
std::string printable(const std::string& text);

/// The memory image as a table: a row for every written channel with its
/// frequency, duplex, offset, mode, name and call fields, then the erased and
/// the never-written channels as ranges ("erased: 5-7, 12").
std::string image_table(const MemoryImage& image);

/// Channel numbers as ranges: {1, 2, 3, 7} gives "1-3, 7"; none gives "none".
std::string channel_ranges(const std::vector<int>& channels);

}  // namespace quillmer::sim
