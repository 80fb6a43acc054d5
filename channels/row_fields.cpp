#include "channels/row_fields.h"

namespace quillmer::channels {

Mode mode_of(std::string_view kept) {
    // The order matters: "AUTO" and "FM-N" are whole words, "DV" and "AM" are
    // prefixes, and everything else (plain FM among it) is FM.
    if (kept.substr(0, 4) == "AUTO") return Mode::automatic;
    if (kept.substr(0, 2) == "DV") return Mode::dv;
    if (kept.substr(0, 2) == "AM") return Mode::am;
    if (kept.substr(0, 4) == "FM-N") return Mode::fm_narrow;
    return Mode::fm;
}

Duplex duplex_of(std::string_view kept) {
    // The sign is the fourth character of "DUP+" and "DUP-".
    if (kept.size() < 4) return Duplex::off;
    if (kept[3] == '+') return Duplex::plus;
    if (kept[3] == '-') return Duplex::minus;
    return Duplex::off;
}

std::string_view mode_name(Mode mode) {
    switch (mode) {
        case Mode::fm:
            return "FM";
        case Mode::fm_narrow:
            return "FM-N";
        case Mode::am:
            return "AM";
        case Mode::dv:
            return "DV";
        case Mode::automatic:
            return "AUTO";
    }
    return "FM";
}

std::string_view duplex_name(Duplex duplex) {
    switch (duplex) {
        case Duplex::off:
            return "OFF";
        case Duplex::minus:
            return "DUP-";
        case Duplex::plus:
            return "DUP+";
    }
    return "OFF";
}

}  // namespace quillmer::channels
