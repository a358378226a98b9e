// Test main for the Windows tests: COM (multithreaded, as a host's graph threads are) and GDI+ are started once
// for the whole run, as the camera filter has them whenever its sources run.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(hr)) {
        fprintf(stderr, "CoInitializeEx failed: 0x%08lx\n", static_cast<unsigned long>(hr));
        return 2;
    }
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
        fprintf(stderr, "GdiplusStartup failed\n");
        return 2;
    }
    int result = RUN_ALL_TESTS();
    Gdiplus::GdiplusShutdown(token);
    CoUninitialize();
    return result;
}
