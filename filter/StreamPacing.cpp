#include "filter/StreamPacing.h"

#include <algorithm>

namespace {

constexpr int64_t kUnitsPerMs = 10000;

uint32_t WholeMillisecondsUpTo(int64_t units)
{
    const int64_t ms = (units + kUnitsPerMs - 1) / kUnitsPerMs;
    return static_cast<uint32_t>(std::clamp<int64_t>(ms, 1, kLongestPacingWaitMs));
}

}  // namespace

PacingStep DecidePacing(const PacingInput& input)
{
    PacingStep step;
    switch (input.state) {
    case StreamRunState::Running:
        if (!input.hasClock || input.clockNow >= input.dueTime) return step;
        step.deliverNow = false;
        step.waitMs = WholeMillisecondsUpTo(input.dueTime - input.clockNow);
        return step;
    case StreamRunState::Paused: {
        if (!input.filledBefore || input.frameTime <= 0) return step;
        const int64_t elapsed = static_cast<int64_t>(input.msSinceLastFill) * kUnitsPerMs;
        if (elapsed >= input.frameTime) return step;
        step.deliverNow = false;
        step.waitMs = WholeMillisecondsUpTo(input.frameTime - elapsed);
        return step;
    }
    case StreamRunState::Stopped:
        // The thread is about to be told to stop; nothing to wait for.
        return step;
    }
    return step;
}
