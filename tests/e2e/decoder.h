#pragma once
// The program's console output in the encoding it was written in, turned into
// UTF-8 for comparison with the texts as the tests spell them. The conversion is
// the C library's iconv, which shares nothing with the program's own.

#include <iconv.h>

#include <string>
#include <string_view>

namespace quillmer::e2e {

/// Decodes a stream that arrives in pieces: a character cut between two pieces
/// is kept back until the rest of it comes.
class Decoder {
  public:
    /// `encoding` is an iconv name such as "CP932"; empty: the bytes are UTF-8
    /// already and pass unchanged. Throws std::runtime_error when iconv does not
    /// know the encoding.
    explicit Decoder(const std::string& encoding);
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    /// The UTF-8 text of the characters that `bytes` completes. A byte that
    /// cannot start or continue a character of the encoding comes out as U+FFFD,
    /// so that a wrong encoding shows in every comparison.
    std::string decode(std::string_view bytes);
    /// A U+FFFD for a character left incomplete when the stream ended; then
    /// ready for a new stream.
    std::string finish();

  private:
    iconv_t cd_ = reinterpret_cast<iconv_t>(-1);  // none: pass-through
    std::string pending_;                         // the start of a cut character
};

}  // namespace quillmer::e2e
