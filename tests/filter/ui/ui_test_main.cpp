// Test main of the settings user interface: the thread is a single-threaded apartment, as a host's user-interface
// thread that shows property pages is; GDI+ writes the pictures of the page.
#include <windows.h>
#include <objidl.h>
#include <ole2.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (FAILED(OleInitialize(nullptr))) {
        fprintf(stderr, "OleInitialize failed\n");
        return 2;
    }
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
        fprintf(stderr, "GdiplusStartup failed\n");
        return 2;
    }
    const int result = RUN_ALL_TESTS();
    Gdiplus::GdiplusShutdown(token);
    OleUninitialize();
    return result;
}
