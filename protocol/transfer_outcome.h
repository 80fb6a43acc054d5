#pragma once
// How a memory transfer ended, and where.

namespace quillmer::protocol {

/// How the transfer ended.
enum class TransferEnd {
    written,        ///< all 400 channels acknowledged
    too_many_rows,  ///< all 400 acknowledged, but the file holds more data rows
    refused,        ///< the radio answered NG to a channel
    escaped,        ///< the user pressed Esc
    interrupted,    ///< the user pressed Ctrl-C: nothing more was written
    device_gone,    ///< the serial device vanished
    never_ready,    ///< an ID-92 never said it was ready, and no key could end the wait
};

/// How the transfer ended, and where. Built only with all three: no outcome
/// stands for an ending that nothing decided.
struct TransferOutcome {
    TransferOutcome(TransferEnd how, int frames_sent, int channels_acknowledged)
        : end(how), sent(frames_sent), acknowledged(channels_acknowledged) {}

    TransferEnd end;
    int sent;          ///< channel frames sent: channels 0 to sent - 1 went out
    int acknowledged;  ///< channels 0 to acknowledged - 1 are in the radio (it said OK)
};

}  // namespace quillmer::protocol
