// The decoding of the program's redirected console output, tried on bytes
// written here by hand from the code page 932 table.

#include "tests/e2e/decoder.h"

#include <gtest/gtest.h>

namespace quillmer::e2e {
namespace {

// "オープン・エラー\n" and "ＣＯＭ" in code page 932.
constexpr std::string_view kOpenErrorCp932 =
    "\x83\x49\x81\x5B\x83\x76\x83\x93\x81\x45\x83\x47\x83\x89\x81\x5B\n";
constexpr std::string_view kComCp932 = "\x82\x62\x82\x6E\x82\x6C";

TEST(Decoder, Cp932TextsBecomeUtf8) {
    Decoder decoder("CP932");
    EXPECT_EQ(decoder.decode(kOpenErrorCp932), "オープン・エラー\n");
    EXPECT_EQ(decoder.decode(std::string(kComCp932) + ":7\r"), "ＣＯＭ:7\r");
    EXPECT_EQ(decoder.finish(), "");
}

TEST(Decoder, TheFullwidthBackslashOfCodePage932IsNotAYenSign) {
    // 0x815F is U+FF3C in code page 932, where plain Shift_JIS has U+005C.
    Decoder decoder("CP932");
    EXPECT_EQ(decoder.decode("\x81\x5F\r"), "＼\r");
}

TEST(Decoder, ACharacterCutBetweenTwoPiecesComesWhole) {
    Decoder decoder("CP932");
    EXPECT_EQ(decoder.decode("ab\x83"), "ab");
    EXPECT_EQ(decoder.decode("\x49z"), "オz");
}

TEST(Decoder, BytesOfNoCharacterShowAsReplacements) {
    Decoder decoder("CP932");
    // 0xA0 starts no character; a lead byte at the end never gets its trail byte.
    EXPECT_EQ(decoder.decode("x\xA0y\x83"), "x\xEF\xBF\xBDy");
    EXPECT_EQ(decoder.finish(), "\xEF\xBF\xBD");
    // UTF-8 taken for code page 932 does not come out as the text it was.
    EXPECT_NE(decoder.decode("オープン"), "オープン");
}

TEST(Decoder, WithoutAnEncodingBytesPassUnchanged) {
    Decoder decoder("");
    EXPECT_EQ(decoder.decode("\x83\x49\xE3\x82"), "\x83\x49\xE3\x82");
    EXPECT_EQ(decoder.finish(), "");
}

}  // namespace
}  // namespace quillmer::e2e
