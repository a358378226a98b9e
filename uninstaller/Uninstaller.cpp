// The uninstaller: hands the product code to the system's Windows Installer program in uninstall mode and ends at
// once, with exit code 0 whatever happens. It shows no window and takes no arguments.
#include "uninstaller/UninstallPlan.h"

#include <windows.h>
#include <shellapi.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char systemDirectory[kPathBufferChars] = {};
    const UINT length = GetSystemDirectoryA(systemDirectory, kPathBufferChars);
    // 0: failed; kPathBufferChars or more: the buffer was too small and holds nothing usable.
    if (length == 0 || length >= kPathBufferChars) return 0;
    const std::optional<UninstallLaunch> launch = PlanUninstall(std::string(systemDirectory, length));
    if (!launch) return 0;
    // The Windows Installer reports its own failures (a product not installed, say); nothing to add here.
    (void)ShellExecuteA(nullptr, "open", launch->program.c_str(), launch->parameters.c_str(),
                        launch->directory.c_str(), SW_SHOWNORMAL);
    return 0;
}
