#pragma once
// When the streaming thread may fill and deliver its next sample. A live camera delivers at its frame rate: while
// the graph runs with a reference clock, a sample goes out once the clock has reached its start time; while the
// graph is paused, at most one sample per frame period goes out; without a clock the stream runs free, as fast as
// downstream takes samples. Free of Win32 so that the rule is tested natively.
#include <cstdint>

enum class StreamRunState { Stopped, Paused, Running };

struct PacingStep {
    bool deliverNow = true;
    // When not delivering: how long to wait before deciding again. A command to the thread or a change of the
    // filter's state ends the wait earlier.
    uint32_t waitMs = 0;
};

struct PacingInput {
    StreamRunState state = StreamRunState::Stopped;
    bool hasClock = false;
    int64_t clockNow = 0;      // reference clock reading, 100-ns units (with a clock)
    int64_t dueTime = 0;       // filter start time + the sample's start stamp, on the same clock
    bool filledBefore = false; // a sample was filled since the thread started
    uint32_t msSinceLastFill = 0;
    int64_t frameTime = 0;     // frame period, 100-ns units
};

// A single wait on the clock is cut to this length, so that a clock that jumps or is replaced is looked at again.
constexpr uint32_t kLongestPacingWaitMs = 1000;

PacingStep DecidePacing(const PacingInput& input);
