#pragma once
// What this process holds, for the tests that check that repeated work leaves nothing behind. Each count takes the
// documented API when it answers; Wine answers GetProcessHandleCount and GetGuiResources with 0, and then the
// objects are counted in the tables the system keeps. 0 means the count could not be taken.
#include <cstddef>

// Kernel handles open in this process.
size_t CountOpenHandles();
// Threads of this process.
size_t CountThreads();
// GDI objects in use by this process (under Wine together with the system's shared stock objects).
size_t CountGdiObjects();
