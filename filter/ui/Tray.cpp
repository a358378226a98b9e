#include "filter/ui/Tray.h"

#include <atomic>

namespace {

std::atomic<bool> g_trayRunning{false};

}  // namespace

bool StartTrayIfAbsent()
{
    bool expected = false;
    return g_trayRunning.compare_exchange_strong(expected, true);
}

void EndTray()
{
    g_trayRunning.store(false);
}

bool IsTrayRunning()
{
    return g_trayRunning.load();
}
