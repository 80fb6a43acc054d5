#pragma once
// What the handshake and the memory transfer report as they go, and the keys
// that can stop a transfer. The protocol only reports; the front end turns the
// reports into the texts the user reads, at the moment each happens.

#include <chrono>
#include <optional>

#include "protocol/transfer_outcome.h"
#include "serial/line.h"

namespace quillmer::protocol {

/// A key that stops the transfer.
enum class StopKey {
    esc,     ///< the link closes first
    ctrl_c,  ///< nothing more is written
};

/// The keyboard as the transfer sees it.
class KeySource {
  public:
    virtual ~KeySource() = default;
    /// Takes at most one pressed key, never waiting: Esc or Ctrl-C; nothing when
    /// no key was waiting or it was another key, which is dropped.
    virtual std::optional<StopKey> poll() = 0;
    /// True once no key can ever come.
    virtual bool input_ended() = 0;
};

/// What the handshake reports.
class HandshakeObserver {
  public:
    virtual ~HandshakeObserver() = default;
    /// With every long identify call, and every 50 passes of a short attempt.
    virtual void spinner_turned() = 0;
    /// The driver refused the line speed `rate`; the handshake goes on as if it
    /// had taken it.
    virtual void speed_refused(int rate) = 0;
};

/// How long the line held the acknowledgements of a complete transfer back,
/// beyond their time on the wire.
struct SlowAcknowledgements {
    std::chrono::duration<double> held_back{0};  ///< over all the channels timed
    int channels = 0;                            ///< acknowledgements timed
    serial::ReplyLatency latency = serial::ReplyLatency::not_known;  ///< what the port knows
};

/// What the memory transfer reports, in the order it happens.
class TransferObserver {
  public:
    virtual ~TransferObserver() = default;
    /// The transfer starts; the link is asked for on its first pass.
    virtual void activating() = 0;
    /// The radio is ready: channel writing starts.
    virtual void writing_started() = 0;
    /// Channel 0..399 goes out now, before its frame is written.
    virtual void sending_channel(int channel) = 0;
    /// The last channel is acknowledged; the link closes next.
    virtual void all_sent() = 0;
    /// Channel `channel` has had no byte back for `waited`; the wait goes on.
    /// `input_ended`: no key can stop it.
    virtual void no_answer(int channel, std::chrono::seconds waited, bool input_ended) = 0;
    /// An ID-92 has not said it is ready for `waited`; the wait goes on, and
    /// when `input_ended`, ends after kReadyWaitWithoutKeys.
    virtual void not_ready(std::chrono::seconds waited, bool input_ended) = 0;
    /// The loop has ended: how, and where.
    virtual void ended(const TransferOutcome& outcome) = 0;
    /// After ended(), for a complete transfer whose acknowledgements the line
    /// held back by more than the transfer takes for a latency timer at work.
    virtual void slow_acknowledgements(const SlowAcknowledgements& measured) = 0;
};

}  // namespace quillmer::protocol
