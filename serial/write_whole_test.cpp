#include "serial/write_whole.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillmer::serial {
namespace {

TEST(WriteWhole, EndsOnlyWhenEveryByteIsTakenOrTheDriverGivesOut) {
    struct Case {
        const char* what;
        std::vector<WriteAttempt> driver;  // the driver's answers in turn
        WriteEnd end;
        std::size_t taken;  // bytes handed over in all
    };
    const WriteAttempt none{};
    const WriteAttempt fail{0, true};
    // `count` attempts that take nothing, then one that takes `bytes`.
    const auto after_stalls = [](std::vector<WriteAttempt> driver, int count, std::size_t bytes) {
        for (int i = 0; i < count; ++i) driver.push_back({});
        driver.push_back({bytes});
        return driver;
    };
    const auto stalls_then_rest = after_stalls({}, kStallsForGiveUp - 1, 7);
    const auto stalls_apart =
        after_stalls(after_stalls({}, kStallsForGiveUp - 1, 3), kStallsForGiveUp - 1, 4);
    const Case cases[] = {
        {"all at once", {{7}}, WriteEnd::done, 7},
        {"in parts", {{2}, none, {3}, {2}}, WriteEnd::done, 7},
        {"taking nothing nine times is patience", stalls_then_rest, WriteEnd::done, 7},
        {"a part taken starts the count again", stalls_apart, WriteEnd::done, 7},
        {"taking nothing ten times is a stall", std::vector<WriteAttempt>(20, none),
         WriteEnd::stalled, 0},
        {"a failure ends at once", {{3}, fail, {4}}, WriteEnd::failed, 3},
    };
    const std::vector<std::uint8_t> frame{0xFE, 0xFE, 0x01, 0x80, 0x18, 0x01, 0xFD};
    for (const Case& c : cases) {
        std::size_t turn = 0;
        std::size_t taken = 0;
        const WriteEnd end = write_whole(frame, [&](std::span<const std::uint8_t> rest) {
            EXPECT_EQ(rest.size(), frame.size() - taken) << c.what;
            const WriteAttempt attempt = turn < c.driver.size() ? c.driver[turn] : fail;
            ++turn;
            taken += attempt.wrote;
            return attempt;
        });
        EXPECT_EQ(end, c.end) << c.what;
        EXPECT_EQ(taken, c.taken) << c.what;
    }
}

}  // namespace
}  // namespace quillmer::serial
