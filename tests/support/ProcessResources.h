#pragma once
// What this process holds, for the tests that check that repeated work leaves nothing behind. Each count takes the
// documented API when it answers; Wine answers GetProcessHandleCount and GetGuiResources with 0, and then the
// objects are counted in the tables the system keeps. 0 means the count could not be taken.
#include <cstddef>

// Kernel handles open in this process.
size_t CountOpenHandles();
// Threads of this process.
size_t CountThreads();
// Threads of this process once there are no more than `limit`, or after timeoutMs: threads that were told to end
// may take a moment to be gone from the system's tables.
size_t CountThreadsSettlingAtMost(size_t limit, unsigned timeoutMs = 10000);
// GDI objects in use by this process (under Wine together with the system's shared stock objects).
size_t CountGdiObjects();
