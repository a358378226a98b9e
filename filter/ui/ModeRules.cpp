#include "filter/ui/ModeRules.h"

#include <limits>

namespace {

constexpr size_t kMonitorPrefixLength = 4;

}  // namespace

std::wstring PathLabel(const std::wstring& prefix, const std::wstring& path)
{
    return prefix + (path.size() > 2 ? path : std::wstring(L"none"));
}

int32_t ChangedTimeFromText(const std::wstring& text)
{
    constexpr int64_t kLimit = std::numeric_limits<int32_t>::max();
    int64_t milliseconds = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') break;
        milliseconds = milliseconds * 10 + (c - L'0') * 1000;
        if (milliseconds >= kLimit) return static_cast<int32_t>(kLimit);
    }
    return static_cast<int32_t>(milliseconds);
}

std::string MonitorDisplayName(const std::string& deviceName)
{
    if (deviceName.size() <= kMonitorPrefixLength) return deviceName;
    return deviceName.substr(kMonitorPrefixLength);
}

BorderArrows ArrowsAfterSelection(int index, int count)
{
    return {index != 0, index != count - 1};
}

BorderArrows ArrowsWhenBorderShown(int index, int count)
{
    return {index != 0, index < count - 1};
}
