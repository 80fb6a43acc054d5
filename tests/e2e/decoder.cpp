#include "tests/e2e/decoder.h"

#include <cerrno>
#include <stdexcept>

namespace quillmer::e2e {

namespace {

const iconv_t kNone = reinterpret_cast<iconv_t>(-1);
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

}  // namespace

Decoder::Decoder(const std::string& encoding) {
    if (encoding.empty()) return;
    cd_ = iconv_open("UTF-8", encoding.c_str());
    if (cd_ == kNone) throw std::runtime_error("iconv cannot decode " + encoding);
}

Decoder::~Decoder() {
    if (cd_ != kNone) iconv_close(cd_);
}

std::string Decoder::decode(std::string_view bytes) {
    if (cd_ == kNone) return std::string(bytes);
    pending_.append(bytes);
    std::string out;
    char* in = pending_.data();
    std::size_t in_left = pending_.size();
    char buffer[1024];
    while (in_left > 0) {
        char* to = buffer;
        std::size_t to_left = sizeof buffer;
        const std::size_t done = iconv(cd_, &in, &in_left, &to, &to_left);
        out.append(buffer, static_cast<std::size_t>(to - buffer));
        if (done != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) continue;
        if (errno == EINVAL) break;  // a character cut short: wait for the rest
        // EILSEQ: no character of the encoding starts here.
        out += kReplacement;
        ++in;
        --in_left;
    }
    pending_.erase(0, pending_.size() - in_left);
    return out;
}

std::string Decoder::finish() {
    std::string out;
    if (!pending_.empty()) out = kReplacement;
    pending_.clear();
    if (cd_ != kNone) iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    return out;
}

}  // namespace quillmer::e2e
