#pragma once
// The frames the simulator's tests send and the replies they expect, as byte
// vectors ready to write or compare.

#include "sim/frames.h"

namespace quillmer::sim::test_frames {

inline const Bytes kLong = identify_frame(kIdentifyLongPreamble);
inline const Bytes kShort = identify_frame(kIdentifyShortPreamble);
inline const Bytes kNotice(kSpeedNotice.begin(), kSpeedNotice.end());
inline const Bytes kQuery(kLinkQuery.begin(), kLinkQuery.end());
inline const Bytes kOpen(kLinkOpen.begin(), kLinkOpen.end());
inline const Bytes kClose(kLinkClose.begin(), kLinkClose.end());
inline const Bytes kProbe(kReadyProbe.begin(), kReadyProbe.end());
inline const Bytes kOk{0xFE, 0xFE, 0x80, 0x01, 0xFB, 0xFD};
inline const Bytes kNg{0xFE, 0xFE, 0x80, 0x01, 0xFA, 0xFD};
inline const Bytes kLinkReady{0xFE, 0xFE, 0x80, 0x01, 0x18, 0x01, 0xFD};

}  // namespace quillmer::sim::test_frames
