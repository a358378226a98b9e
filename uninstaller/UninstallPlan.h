#pragma once
// What the uninstaller starts: the Windows Installer program of the system folder, asked to remove the product by
// its product code. Free of Win32 so that the rule is tested natively.
#include <cstddef>
#include <optional>
#include <string>

// The product code under which the installer package registers the installation.
constexpr const char* kProductCode = "{E2C85B71-4A09-4F3D-8D6C-A37F150B9E28}";
constexpr const char* kUninstallParameters = "/x {E2C85B71-4A09-4F3D-8D6C-A37F150B9E28}";
// Paths are built in buffers of this many single-byte characters, terminator included.
constexpr size_t kPathBufferChars = 260;

struct UninstallLaunch {
    std::string program;     // the system folder + "\msiexec.exe"
    std::string parameters;  // "/x" and the product code
    // The system folder: the Windows Installer must not inherit the uninstaller's current folder, which is the
    // install folder when a shortcut starts it, and which could then not be removed.
    std::string directory;
};

// The launch for the system folder `systemDirectory`; nothing when the folder is unknown (empty) or the program's
// path would not fit kPathBufferChars.
std::optional<UninstallLaunch> PlanUninstall(const std::string& systemDirectory);
