#pragma once
// Arrow and function keys that reach the program as escape sequences, from a
// terminal or from a script that writes what a terminal would, become keys
// without a character: 0, then a code that is never Ctrl-C (3) or Esc (27), so
// that no arrow key ever stops a transfer.

#include <optional>

#include "console/key_queue.h"
#include "core/text.h"

namespace quillmer::console {

/// How long the rest of an arrow or function key's escape sequence may take to
/// follow its Esc byte.
inline constexpr int kSequenceWaitMs = 25;

/// The code given after 0 for the escape sequence that ends in `final_byte`,
/// `number` being its first parameter (0 when it has none). Never 3 or 27.
int sequence_code(unsigned char final_byte, int number);

/// Queues the key that began with an Esc byte just read. `next_byte(wait_ms)`
/// gives the next input byte within that many milliseconds, or nothing. The rest
/// of an escape sequence becomes one key without a character (0, then its code);
/// otherwise Esc stands alone, and a byte read after it is queued as the next key.
template <typename NextByte>
void take_escape(KeyQueue& keys, NextByte&& next_byte) {
    const std::optional<unsigned char> next = next_byte(kSequenceWaitMs);
    if (!next) {
        keys.push(27);
        return;
    }
    if (*next != '[' && *next != 'O') {
        keys.push(27);
        keys.push(*next);
        return;
    }
    int number = 0;
    for (int length = 0; length < 16; ++length) {
        const std::optional<unsigned char> byte = next_byte(kSequenceWaitMs);
        if (!byte) break;
        if (text::is_digit(static_cast<char>(*byte))) {
            number = number * 10 + (*byte - '0');
            if (number > 999) number = 999;
            continue;
        }
        if (*byte >= 0x40 && *byte <= 0x7E) {
            keys.push(0);
            keys.push(sequence_code(*byte, number));
            return;
        }
        // ';' and other parameter bytes: part of the sequence.
    }
    // An unfinished sequence still is a key without a character.
    keys.push(0);
    keys.push(0xFF);
}

/// Moves the next key of a byte stream into `keys`: the byte itself, or for an
/// Esc byte the key it begins. False when no byte came within `timeout_ms`.
template <typename NextByte>
bool take_byte_key(KeyQueue& keys, NextByte&& next_byte, int timeout_ms) {
    const std::optional<unsigned char> byte = next_byte(timeout_ms);
    if (!byte) return false;
    if (*byte == 27) {
        take_escape(keys, next_byte);
    } else {
        keys.push(*byte);
    }
    return true;
}

}  // namespace quillmer::console
