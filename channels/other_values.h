#pragma once
// The values of a channel file written by another program, one field at a
// time, as this radio can hold them: frequencies and offsets in megahertz, the
// duplex and mode words those programs use, and D-STAR call signs.

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmer::channels {

/// A text of the file as a message shows it: in quotation marks, cut after 40
/// characters, bytes outside printable ASCII as \t or \xNN.
std::string quoted(std::string_view text);

/// A number of megahertz in hertz, or why it is none: `fault` is empty when
/// `hertz` holds the value.
struct Megahertz {
    std::int64_t hertz = 0;
    std::string fault;
};

/// Blanks, digits, optionally a point (a comma when `decimal_comma`) and
/// digits, blanks. Digits past the sixth decimal may only be zeros: the radio
/// keeps hertz. An empty text is 0.
Megahertz read_megahertz(std::string_view text, bool decimal_comma);

/// Hertz as a number column of our memory file holds it: megahertz with six
/// decimals, the trailing zeros dropped while it is longer than `chars` (the
/// characters the column keeps). Empty when it does not fit even so.
std::string megahertz_text(std::int64_t hertz, std::size_t chars);

/// What a duplex word asks for.
enum class DuplexWord {
    simplex,       ///< empty, "OFF" in the maker's files
    plus,          ///< "+", "DUP+"
    minus,         ///< "-", "DUP-"
    split,         ///< the offset column holds the transmit frequency
    transmit_off,  ///< "off" in the multi-radio programmer's files
    unknown,
};

/// The duplex word in any letter case, blanks around it. `off_is_transmit_off`:
/// "off" says the channel must not transmit rather than simplex.
DuplexWord duplex_word(std::string_view text, bool off_is_transmit_off);

/// A mode word as this radio gets it.
struct ModeWord {
    enum class Note { none, narrow_am, automatic };
    std::string_view mode;  ///< "FM", "FM-N", "AM", "DV" or "AUTO"; empty for none
    Note note = Note::none;
};

/// The mode word in any letter case, blanks around it: FM; NFM and FM-N as
/// FM-N; AM; NAM and AM-N as AM (noted: this radio has no narrow AM); DV; Auto
/// as AUTO (noted). Any other, and an empty one, has no mode.
ModeWord mode_word(std::string_view text);

/// A call sign as the frame gets it, or why it cannot be: `fault` is empty when
/// `text` holds it.
struct CallSign {
    std::string text;
    std::string fault;
};

/// The call in upper case, its trailing blanks dropped (its leading ones and
/// those inside are part of it): at most 8 characters of A to Z, 0 to 9, blank
/// and '/'.
CallSign call_sign(std::string_view text);

}  // namespace quillmer::channels
