#include "filter/ui/MenuParentWindow.h"

#include "filter/InputSwitching.h"
#include "filter/settings/SettingsStore.h"
#include "filter/ui/BorderFiles.h"
#include "filter/ui/SettingsResources.h"
#include "filter/ui/Tray.h"
#include "filter/ui/TrayCommands.h"
#include "filter/ui/TrayMenu.h"

#include <memory>
#include <type_traits>

namespace {

constexpr UINT_PTR kStopTimer = 1;
constexpr UINT kStopTimerMs = 100;

struct MenuDestroyer {
    void operator()(HMENU menu) const { (void)DestroyMenu(menu); }  // destroys its submenus too
};
using MenuRef = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;

MenuRef MakeMenu(const std::vector<TrayMenuEntry>& entries)
{
    MenuRef menu(CreatePopupMenu());
    if (!menu) return menu;
    for (const TrayMenuEntry& entry : entries) {
        if (entry.kind == TrayMenuEntry::Kind::Separator) {
            (void)AppendMenuW(menu.get(), MF_SEPARATOR, entry.command, nullptr);  // a missing line is harmless
            continue;
        }
        UINT flags = MF_STRING | (entry.checked ? MF_CHECKED : 0u) | (entry.grayed ? MF_GRAYED : 0u);
        UINT_PTR item = static_cast<UINT_PTR>(entry.command);
        MenuRef submenu;
        if (entry.kind == TrayMenuEntry::Kind::Submenu) {
            submenu = MakeMenu(entry.entries);
            if (!submenu) continue;
            flags |= MF_POPUP;
            item = reinterpret_cast<UINT_PTR>(submenu.get());
        }
        // The menu owns a submenu once it is appended.
        if (AppendMenuW(menu.get(), flags, item, entry.caption.c_str())) (void)submenu.release();
    }
    return menu;
}

// A dialog of the tray thread other than the tray window itself (the folder browser, the open-file dialog).
bool IsTrayDialog(HWND window, HWND trayWindow)
{
    wchar_t className[16] = {};
    return window != trayWindow && GetClassNameW(window, className, 16) && lstrcmpW(className, L"#32770") == 0;
}

BOOL CALLBACK CancelDialog(HWND window, LPARAM trayWindow)
{
    if (IsTrayDialog(window, reinterpret_cast<HWND>(trayWindow)))
        (void)PostMessageW(window, WM_COMMAND, IDCANCEL, 0);  // a window already gone needs no cancel
    return TRUE;
}

struct DialogSearch {
    HWND trayWindow;
    HWND found;
};

BOOL CALLBACK FindShownDialog(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<DialogSearch*>(context);
    if (!IsWindowVisible(window) || !IsTrayDialog(window, search->trayWindow)) return TRUE;
    search->found = window;
    return FALSE;
}

UINT TaskbarCreatedMessage()
{
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

}  // namespace

CMenuParentWindow::~CMenuParentWindow()
{
    DeleteIcon();
    Destroy();
    if (icon_.hIcon) (void)DestroyIcon(icon_.hIcon);  // nothing else holds it
}

void CMenuParentWindow::AddIcon()
{
    icon_.cbSize = sizeof(icon_);
    icon_.hWnd = Window();
    icon_.uID = kIconId;
    icon_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon_.uCallbackMessage = kCallbackMessage;
    if (!icon_.hIcon)
        icon_.hIcon = static_cast<HICON>(LoadImageW(CodeModule(), MAKEINTRESOURCEW(IDI_VELTRANE), IMAGE_ICON,
                                                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    (void)lstrcpynW(icon_.szTip, L"Veltrane", 128);
    // Without a notification area there is no icon, and nothing else to do.
    iconAdded_ = Shell_NotifyIconW(NIM_ADD, &icon_) != FALSE;
}

void CMenuParentWindow::DeleteIcon()
{
    if (!iconAdded_) return;
    iconAdded_ = false;
    (void)Shell_NotifyIconW(NIM_DELETE, &icon_);  // fails only when the shell lost it already
}

bool CMenuParentWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == TaskbarCreatedMessage() && message != 0) {
        // A restarted shell knows no icons: add it again, or update it where the shell still has it.
        AddIcon();
        if (!iconAdded_) iconAdded_ = Shell_NotifyIconW(NIM_MODIFY, &icon_) != FALSE;
        return true;
    }
    switch (message) {
    case WM_INITDIALOG: {
        AddIcon();
        BorderFiles borders = ListBorderFiles(ModuleBorderFolder());
        borderNames_ = std::move(borders.names);
        borderPaths_ = std::move(borders.paths);
        result = TRUE;
        return true;
    }
    case WM_PAINT: {
        PAINTSTRUCT paint = {};
        if (BeginPaint(Window(), &paint)) EndPaint(Window(), &paint);
        return true;
    }
    case WM_COMMAND: {
        // A command that shows a dialog runs the dialog's loop, which brings further messages here.
        if (commandRunning_) return true;
        commandRunning_ = true;
        struct Ended {
            bool& running;
            ~Ended() { running = false; }
        } ended{commandRunning_};
        RunTrayCommand(wParam, Window(), borderPaths_);
        return true;
    }
    case kCallbackMessage:
        // Moves and clicks over the icon leave the user's window active; only the menu takes the foreground.
        if (lParam != WM_RBUTTONUP) return true;
        if (commandRunning_) BringDialogForward();
        else ShowMenu();
        return true;
    case kStopMessage:
        CloseMenuAndDialogs();
        // A dialog that was still opening when the message came is ended by the next tick.
        (void)SetTimer(Window(), kStopTimer, kStopTimerMs, nullptr);  // without it the first close must do
        return true;
    case WM_TIMER:
        if (wParam != kStopTimer) return false;
        CloseMenuAndDialogs();
        return true;
    default:
        return false;
    }
}

void CMenuParentWindow::ShowMenu()
{
    (void)SetForegroundWindow(Window());  // so that a click elsewhere closes the menu, when the system allows it
    POINT cursor = {};
    (void)GetCursorPos(&cursor);  // on failure the menu opens at the corner
    if (TrayStopping()) return;

    TrayMenuInput input;
    input.settings = CurrentSettings();
    input.cameraOn = CameraOnFlag();
    input.cameras = CameraList();
    input.monitors = MonitorList();
    input.borderNames = borderNames_;
    input.borderPaths = borderPaths_;
    MenuRef menu = MakeMenu(BuildTrayMenu(input));
    if (!menu) return;
    // The chosen command arrives as WM_COMMAND; nothing chosen is no failure worth a word.
    (void)TrackPopupMenu(menu.get(), 0, cursor.x, cursor.y, 0, Window(), nullptr);
    // Lets the menu close properly when the window was not in the foreground.
    (void)PostMessageW(Window(), WM_NULL, 0, 0);
}

void CMenuParentWindow::BringDialogForward()
{
    DialogSearch search = {Window(), nullptr};
    (void)EnumThreadWindows(GetCurrentThreadId(), &FindShownDialog, reinterpret_cast<LPARAM>(&search));
    // The system may refuse the foreground; the dialog is still there for the user.
    if (search.found) (void)SetForegroundWindow(search.found);
}

void CMenuParentWindow::CloseMenuAndDialogs()
{
    (void)EndMenu();  // fails when no menu is open
    (void)EnumThreadWindows(GetCurrentThreadId(), &CancelDialog, reinterpret_cast<LPARAM>(Window()));
}
