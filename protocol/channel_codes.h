#pragma once
// The code bytes of a channel's mode (write frame offset 27) and duplex
// (offset 28), both ways: the encoder writes them, the frame decoder reads them.

#include <optional>

#include "channels/row_fields.h"
#include "protocol/frames.h"

namespace quillmer::protocol {

inline constexpr Byte kModeAuto = 0x5E;
inline constexpr Byte kModeDv = 0x4E;
inline constexpr Byte kModeAm = 0x3E;
inline constexpr Byte kModeFmNarrow = 0x1E;
inline constexpr Byte kModeFm = 0x0E;

inline constexpr Byte kDuplexPlus = 2;
inline constexpr Byte kDuplexMinus = 1;
inline constexpr Byte kDuplexOff = 0;

constexpr Byte mode_code(channels::Mode mode) {
    switch (mode) {
        case channels::Mode::automatic:
            return kModeAuto;
        case channels::Mode::dv:
            return kModeDv;
        case channels::Mode::am:
            return kModeAm;
        case channels::Mode::fm_narrow:
            return kModeFmNarrow;
        case channels::Mode::fm:
            return kModeFm;
    }
    return kModeFm;
}

/// Nothing for a byte that is no mode code.
constexpr std::optional<channels::Mode> mode_from_code(Byte code) {
    for (const channels::Mode mode :
         {channels::Mode::fm, channels::Mode::fm_narrow, channels::Mode::am, channels::Mode::dv,
          channels::Mode::automatic}) {
        if (mode_code(mode) == code) return mode;
    }
    return std::nullopt;
}

constexpr Byte duplex_code(channels::Duplex duplex) {
    switch (duplex) {
        case channels::Duplex::plus:
            return kDuplexPlus;
        case channels::Duplex::minus:
            return kDuplexMinus;
        case channels::Duplex::off:
            return kDuplexOff;
    }
    return kDuplexOff;
}

/// Nothing for a byte that is no duplex code.
constexpr std::optional<channels::Duplex> duplex_from_code(Byte code) {
    for (const channels::Duplex duplex :
         {channels::Duplex::off, channels::Duplex::minus, channels::Duplex::plus}) {
        if (duplex_code(duplex) == code) return duplex;
    }
    return std::nullopt;
}

}  // namespace quillmer::protocol
