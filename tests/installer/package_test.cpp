// The installer package on a fresh machine (each test case runs in a prefix of its own): installed silently as
// a user would, its cameras recorded from by 64-bit and 32-bit hosts, the desktop application started from its
// shortcut, the product removed through the uninstaller, and nothing left behind. Also: installing twice, an
// update to a higher version, a failing registration rolling everything back, and a failing removal rolled back.
#include "app/ZelmoraProcess.h"
#include "support/TestFiles.h"
#include "support/WaitUntil.h"
#include "tools/ChildProcess.h"

#include <objidl.h>
#include <gdiplus.h>
#include <msi.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <algorithm>

#ifndef VELTRANE_PACKAGE
#error "VELTRANE_PACKAGE, the update, broken and failing-removal packages and the capture tools must be defined"
#endif

namespace {

constexpr const wchar_t* kProductCode = L"{E2C85B71-4A09-4F3D-8D6C-A37F150B9E28}";
constexpr const wchar_t* kCameraClass = L"CLSID\\{7D2A5E14-93C8-4B1F-A6E2-5C0D91F3B847}";
constexpr const wchar_t* kPageClass = L"CLSID\\{B4E61C03-2F7A-48D9-8C35-E19A6D0472F5}";
constexpr const wchar_t* kVideoInputEntry = L"CLSID\\{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\Instance\\Veltrane";
constexpr const wchar_t* kUninstallEntry =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{E2C85B71-4A09-4F3D-8D6C-A37F150B9E28}";
constexpr DWORD kInstallTimeoutMs = 180000;

std::wstring WindowsPath(std::wstring path)
{
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// Runs a command line in `folder` and returns its exit code; ~0u when it did not start or end in time.
DWORD RunCommand(std::wstring commandLine, const std::wstring& folder = L"")
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process))
        return ~0u;
    DWORD code = ~0u;
    if (WaitForSingleObject(process.hProcess, kInstallTimeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

DWORD Msiexec(const std::wstring& arguments)
{
    return RunCommand(L"msiexec.exe " + arguments);
}

DWORD InstallPackage(const wchar_t* package, const std::wstring& extra = L"")
{
    return Msiexec(L"/i \"" + WindowsPath(package) + L"\" /qn" + extra);
}

std::wstring KnownFolder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : L"";
}

std::wstring InstallFolder() { return KnownFolder(CSIDL_PROGRAM_FILES) + L"\\Veltrane"; }

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The shortcut's file in the common or the user's Start menu (Wine puts a machine-wide one in the user's).
std::wstring FindShortcut(const std::wstring& name)
{
    for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        const std::wstring path = KnownFolder(csidl) + L"\\" + name + L".lnk";
        if (Exists(path)) return path;
    }
    return L"";
}

struct Shortcut {
    std::wstring target;
    std::wstring folder;
};

Shortcut ReadShortcut(const std::wstring& file)
{
    Shortcut result;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return result;
    IPersistFile* persist = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
        wchar_t text[MAX_PATH] = {};
        if (SUCCEEDED(persist->Load(file.c_str(), STGM_READ))) {
            if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, 0))) result.target = text;
            if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) result.folder = text;
            if (!result.folder.empty() && result.folder.back() == L'\\') result.folder.pop_back();
        }
        persist->Release();
    }
    link->Release();
    return result;
}

// Class registrations are machine-wide, under HKLM\Software\Classes in the view of the module's bitness.
bool KeyExists(const std::wstring& path, REGSAM view, const wchar_t* below = L"Software\\Classes\\")
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (below + path).c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::wstring ServerPath(REGSAM view)
{
    const std::wstring path = std::wstring(L"Software\\Classes\\") + kCameraClass + L"\\InprocServer32";
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return L"";
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    DWORD type = 0;
    const LONG status = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ ? value : L"";
}

bool ProductInstalled() { return MsiQueryProductStateW(kProductCode) == INSTALLSTATE_DEFAULT; }

std::wstring ProductInfo(const wchar_t* property)
{
    wchar_t value[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    return MsiGetProductInfoW(kProductCode, property, value, &size) == ERROR_SUCCESS ? value : L"";
}

// A number of the product's Add/Remove Programs entry; ~0u when it is not there.
DWORD UninstallEntryNumber(const wchar_t* name)
{
    DWORD value = ~0u;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallEntry, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return ~0u;
    return value;
}

// The lines "veltrane-capture --list" prints that name the camera, for a capture tool of either bitness.
int CountCameras(const wchar_t* captureTool)
{
    const ChildRun run = RunChild(WindowsPath(captureTool), {L"--list"}, 60000);
    const std::vector<std::string> lines = SplitLines(run.out);
    return static_cast<int>(std::count(lines.begin(), lines.end(), "Veltrane"));
}

// Share of pixels that are not black in a recorded frame of 640 x 480 (0 when it cannot be read).
double LitShare(const std::wstring& picture)
{
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromFile(picture.c_str(), &bitmap) != Gdiplus::Ok) return 0;
    UINT width = 0, height = 0;
    int lit = 0;
    Gdiplus::DllExports::GdipGetImageWidth(bitmap, &width);
    Gdiplus::DllExports::GdipGetImageHeight(bitmap, &height);
    if (width == 640 && height == 480) {
        for (UINT y = 0; y < height; y += 8) {
            for (UINT x = 0; x < width; x += 8) {
                Gdiplus::ARGB colour = 0;
                Gdiplus::DllExports::GdipBitmapGetPixel(bitmap, x, y, &colour);
                if ((colour & 0xFFFFFF) != 0) ++lit;
            }
        }
    }
    Gdiplus::DllExports::GdipDisposeImage(bitmap);
    return lit / (80.0 * 60.0);
}

// Records three frames from the installed camera with a capture tool of either bitness. The camera shows its
// "no camera" picture from the Data folder beside the module, so a mostly black frame means it lost that folder.
void ExpectRecordsFrames(const wchar_t* captureTool)
{
    TempDir frames;
    const ChildRun run = RunChild(WindowsPath(captureTool),
                                  {L"--device", L"Veltrane", L"--out", frames.Path(), L"--frames", L"3"}, 60000);
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    for (const wchar_t* name : {L"frame-0000.png", L"frame-0002.png"})
        EXPECT_GT(LitShare(frames.File(name)), 0.2) << name;
}

// Both cameras registered from the install folder, in both registry views, and listed by hosts of both bitnesses.
void ExpectCamerasRegistered()
{
    const std::wstring folder = InstallFolder();
    EXPECT_EQ(ServerPath(KEY_WOW64_64KEY), folder + L"\\Veltrane.ax");
    EXPECT_EQ(ServerPath(KEY_WOW64_32KEY), folder + L"\\x86\\Veltrane.ax");
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        EXPECT_TRUE(KeyExists(kPageClass, view)) << view;
        EXPECT_TRUE(KeyExists(kVideoInputEntry, view)) << view;
    }
    EXPECT_EQ(CountCameras(VELTRANE_CAPTURE64), 1);
    EXPECT_EQ(CountCameras(VELTRANE_CAPTURE32), 1);
}

// Everything the product puts on a machine, checked in both registry views.
void ExpectInstalled()
{
    const std::wstring folder = InstallFolder();
    for (const wchar_t* file : {L"Veltrane.ax", L"Zelmora.exe", L"uninstaller.exe", L"Data\\nocamera.jpg",
                                L"Data\\main.png", L"Data\\Default\\about_up.png", L"Borders\\border1.png",
                                L"x86\\Veltrane.ax", L"x86\\Data\\nocamera.jpg", L"x86\\Borders\\border6.png"})
        EXPECT_TRUE(Exists(folder + L"\\" + file)) << file;
    EXPECT_TRUE(ProductInstalled());
    // The Add/Remove Programs entry: the product's name and icon, no Modify, no Repair.
    EXPECT_TRUE(KeyExists(kUninstallEntry, KEY_WOW64_64KEY, L""));
    EXPECT_EQ(ProductInfo(INSTALLPROPERTY_INSTALLEDPRODUCTNAME), L"Veltrane");
    EXPECT_TRUE(Exists(ProductInfo(INSTALLPROPERTY_PRODUCTICON)));
    EXPECT_EQ(UninstallEntryNumber(L"NoModify"), 1u);
    EXPECT_EQ(UninstallEntryNumber(L"NoRepair"), 1u);
    ExpectCamerasRegistered();
}

void ExpectNothingLeft()
{
    EXPECT_FALSE(ProductInstalled());
    EXPECT_FALSE(Exists(InstallFolder()));
    EXPECT_EQ(FindShortcut(L"Zelmora"), L"");
    EXPECT_EQ(FindShortcut(L"Uninstall Veltrane"), L"");
    EXPECT_FALSE(KeyExists(kUninstallEntry, KEY_WOW64_64KEY, L""));
    EXPECT_FALSE(KeyExists(kUninstallEntry, KEY_WOW64_32KEY, L""));
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        for (const wchar_t* key : {kCameraClass, kPageClass, kVideoInputEntry}) EXPECT_FALSE(KeyExists(key, view)) << key;
    }
    EXPECT_EQ(CountCameras(VELTRANE_CAPTURE64), 0);
    EXPECT_EQ(CountCameras(VELTRANE_CAPTURE32), 0);
}

// Starts the shortcut's program in the shortcut's folder, as the Start menu does. Zelmora's skin paths are
// relative to it: without its skins the OK button has nothing to click, with them a click ends it with code 1.
void ExpectZelmoraStartsFromItsShortcut()
{
    const Shortcut shortcut = ReadShortcut(FindShortcut(L"Zelmora"));
    ASSERT_EQ(shortcut.target, InstallFolder() + L"\\Zelmora.exe");
    ASSERT_EQ(shortcut.folder, InstallFolder());
    ZelmoraProcess zelmora(shortcut.target, shortcut.folder, 20000);
    ASSERT_NE(zelmora.MainWindow(), nullptr) << zelmora.DescribeWindows();
    ClickAt(ItemPoint(zelmora.MainWindow(), IDOK));
    EXPECT_EQ(zelmora.WaitForExit(10000), 1u);
}

TEST(Package, InstallRecordsFromBothCamerasAndTheUninstallerLeavesNothing)
{
    ASSERT_EQ(InstallPackage(VELTRANE_PACKAGE), 0u);
    ExpectInstalled();
    EXPECT_EQ(ProductInfo(INSTALLPROPERTY_VERSIONSTRING), VELTRANE_VERSION);
    ExpectRecordsFrames(VELTRANE_CAPTURE64);
    ExpectRecordsFrames(VELTRANE_CAPTURE32);
    ExpectZelmoraStartsFromItsShortcut();

    // A second installation of the same package finds the product there and changes nothing.
    EXPECT_EQ(InstallPackage(VELTRANE_PACKAGE), 0u);
    ExpectInstalled();

    // The uninstaller as its shortcut starts it: in the install folder, which must still go.
    const Shortcut uninstall = ReadShortcut(FindShortcut(L"Uninstall Veltrane"));
    ASSERT_EQ(uninstall.target, InstallFolder() + L"\\uninstaller.exe");
    ASSERT_EQ(uninstall.folder, InstallFolder());
    EXPECT_EQ(RunCommand(L"\"" + uninstall.target + L"\"", uninstall.folder), 0u);
    // The uninstaller does not wait for the removal; its Add/Remove Programs entry is among the last things to go.
    EXPECT_TRUE(WaitUntil([] {
        return !ProductInstalled() && !Exists(InstallFolder()) && !KeyExists(kUninstallEntry, KEY_WOW64_64KEY, L"");
    }, kInstallTimeoutMs));
    ExpectNothingLeft();
}

TEST(Package, UpdateToAHigherVersionReplacesTheFilesAndKeepsOneRegistration)
{
    ASSERT_EQ(InstallPackage(VELTRANE_PACKAGE), 0u);
    const std::wstring folder = InstallFolder();
    // Damage the installation: the update must bring back the package's files.
    ASSERT_TRUE(WriteBytesFile(folder + L"\\Data\\nocamera.jpg", "not a picture"));
    ASSERT_TRUE(DeleteFileW((folder + L"\\x86\\Borders\\border2.png").c_str()));

    EXPECT_EQ(InstallPackage(VELTRANE_UPDATE_PACKAGE, L" REINSTALL=ALL REINSTALLMODE=vamus"), 0u);
    EXPECT_EQ(ProductInfo(INSTALLPROPERTY_VERSIONSTRING), VELTRANE_UPDATE_VERSION);
    ExpectInstalled();
    ExpectRecordsFrames(VELTRANE_CAPTURE64);

    EXPECT_EQ(Msiexec(L"/x " + std::wstring(kProductCode) + L" /qn"), 0u);
    ExpectNothingLeft();
}

TEST(Package, RollbackOfAFailingRegistrationLeavesNothing)
{
    // The broken package's 32-bit camera is no module at all, so its registration fails. (Windows Installer ends
    // with 1603, Wine's with 1627.)
    const DWORD code = InstallPackage(VELTRANE_BROKEN_PACKAGE);
    EXPECT_NE(code, 0u);
    EXPECT_NE(code, ~0u);
    ExpectNothingLeft();
}

TEST(Package, RollbackOfAFailingRemovalKeepsBothCamerasRegistered)
{
    // This package's removal fails when asked to (FAILREMOVAL), after both cameras were unregistered and before any
    // file went: the rollback registers them again. (Wine's installer does not register the product itself again
    // on this rollback, so only the cameras are checked.)
    ASSERT_EQ(InstallPackage(VELTRANE_FAILING_REMOVAL_PACKAGE), 0u);
    const DWORD code = Msiexec(L"/x " + std::wstring(kProductCode) + L" /qn FAILREMOVAL=1");
    EXPECT_NE(code, 0u);
    EXPECT_NE(code, ~0u);
    EXPECT_TRUE(Exists(InstallFolder() + L"\\x86\\Veltrane.ax"));
    ExpectCamerasRegistered();
}

}  // namespace
