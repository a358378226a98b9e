// When the streaming thread lets the next sample go: on the clock while running, one per frame period while
// paused, free without a clock.
#include "filter/StreamPacing.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t kTenFps = 1000000;

PacingInput Running(bool hasClock, int64_t clockNow, int64_t due)
{
    PacingInput input;
    input.state = StreamRunState::Running;
    input.hasClock = hasClock;
    input.clockNow = clockNow;
    input.dueTime = due;
    input.frameTime = kTenFps;
    return input;
}

PacingInput Paused(bool filledBefore, uint32_t msSinceLastFill, int64_t frameTime = kTenFps)
{
    PacingInput input;
    input.state = StreamRunState::Paused;
    input.filledBefore = filledBefore;
    input.msSinceLastFill = msSinceLastFill;
    input.frameTime = frameTime;
    return input;
}

TEST(StreamPacing, DecidesByStateClockAndTime)
{
    const struct {
        const char* what;
        PacingInput input;
        bool deliverNow;
        uint32_t waitMs;
    } cases[] = {
        {"running, sample due now", Running(true, 5000000, 5000000), true, 0},
        {"running, sample late", Running(true, 9000000, 5000000), true, 0},
        {"running, 40 ms early", Running(true, 4600000, 5000000), false, 40},
        {"running, part of a millisecond early rounds up", Running(true, 4999999, 5000000), false, 1},
        {"running, far ahead waits at most the longest wait", Running(true, 0, 600000000), false, kLongestPacingWaitMs},
        {"running without a clock runs free", Running(false, 0, 600000000), true, 0},
        {"paused, first sample", Paused(false, 0), true, 0},
        {"paused, 30 ms after the last", Paused(true, 30), false, 70},
        {"paused, a period after the last", Paused(true, 100), true, 0},
        {"paused, tick counter wrapped far", Paused(true, 0xFFFFFFF0u), true, 0},
        {"paused, no frame period", Paused(true, 0, 0), true, 0},
        {"paused, 30 fps", Paused(true, 10, 333333), false, 24},
        {"stopped", PacingInput{}, true, 0},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        const PacingStep step = DecidePacing(row.input);
        EXPECT_EQ(step.deliverNow, row.deliverNow);
        if (!row.deliverNow) {
            EXPECT_EQ(step.waitMs, row.waitMs);
        }
    }
}

TEST(StreamPacing, ARunOnTheClockDeliversOneSamplePerPeriod)
{
    // Simulated clock: the thread waits as told, delivers, stamps the next sample one period later.
    int64_t now = 0;
    int64_t stamp = 0;
    int delivered = 0;
    for (int step = 0; step < 10000 && now < 30000000; ++step) {
        const PacingStep decision = DecidePacing(Running(true, now, stamp));
        if (decision.deliverNow) {
            ++delivered;
            stamp += kTenFps;
        } else {
            now += static_cast<int64_t>(decision.waitMs) * 10000;
        }
    }
    // Three seconds at ten frames a second: samples stamped 0 to 2.9 s.
    EXPECT_EQ(delivered, 30);
    EXPECT_EQ(stamp, 30000000);
}

}  // namespace
