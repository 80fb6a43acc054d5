#pragma once
// What the kept text of a channel row's mode and duplex fields means, and when
// its name and call fields go out blank. The encoder turns these into code
// bytes; the check and the preview read them: the spellings exist only here.

#include <string_view>

#include "channels/reader.h"

namespace quillmer::channels {

enum class Mode {
    fm,         ///< anything not below, an empty field among it
    fm_narrow,  ///< "FM-N", all four characters
    am,         ///< starts with "AM"
    dv,         ///< starts with "DV"
    automatic,  ///< "AUTO", all four characters
};

enum class Duplex {
    off,    ///< anything whose fourth character is neither '+' nor '-'
    minus,  ///< fourth character '-', as in "DUP-"
    plus,   ///< fourth character '+', as in "DUP+"
};

/// The mode of a row's kept mode text (at most 4 characters). Capitals only:
/// "dv" is FM. "DVMODE" (kept "DVMO") is DV, "AUTOMATIC" is AUTO.
Mode mode_of(std::string_view kept);

/// The duplex of a row's kept duplex text (at most 4 characters), from its
/// fourth character.
Duplex duplex_of(std::string_view kept);

/// "FM", "FM-N", "AM", "DV" or "AUTO".
std::string_view mode_name(Mode mode);

/// "OFF", "DUP-" or "DUP+".
std::string_view duplex_name(Duplex duplex);

/// True when the row's label starts with a space: the radio gets a blank label
/// and blank call fields, whatever the call fields hold.
inline bool names_blanked(const ChannelRow& row) {
    return row.label[0] == ' ';
}

}  // namespace quillmer::channels
