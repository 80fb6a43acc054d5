#pragma once
// Reading what reached the simulated radio: the frames once the line has gone
// quiet, channel numbers, and frame checks for assertions.

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "sim/simulator.h"

namespace quillmer::e2e {

/// Everything the radio has heard and done, once every byte written to its port
/// so far has been heard: a marker frame is written to the port behind them and
/// awaited, and left out of the result. For use after the program has closed the
/// port (it has ended); the marker is not a frame the radio acts on. Fails the
/// calling test when the marker does not arrive.
sim::Snapshot settle(const sim::Simulator& radio);

/// The frames of the given kinds, in order.
std::vector<sim::ReceivedFrame> only(const std::vector<sim::ReceivedFrame>& frames,
                                     std::initializer_list<sim::FrameKind> kinds);

/// The frames of other kinds than the given ones, in order.
std::vector<sim::ReceivedFrame> without(const std::vector<sim::ReceivedFrame>& frames,
                                        std::initializer_list<sim::FrameKind> kinds);

/// The channel numbers of the write and erase frames, in the order sent.
std::vector<int> channel_sequence(const std::vector<sim::ReceivedFrame>& frames);

/// 0, 1, ..., count - 1.
std::vector<int> first_channels(int count);

/// Success when every frame is byte for byte one the program should send
/// (preamble, fixed bytes, length); the message lists those that are not.
testing::AssertionResult all_exact(const std::vector<sim::ReceivedFrame>& frames);

/// Index of the first frame of `kind` at or after `from`; frames.size() when none.
std::size_t find_kind(const std::vector<sim::ReceivedFrame>& frames, sim::FrameKind kind,
                      std::size_t from = 0);

}  // namespace quillmer::e2e
